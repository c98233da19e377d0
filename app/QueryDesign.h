#pragma once

namespace db {
class TADOQuery;
}

// The design values of the window's six queries: the text, the declared
// type of each parameter (Null until bound) and the query options.
namespace QueryDesign {

// DEP 131 export, shop and gastro edition.
void setUpDep131Shop(db::TADOQuery &query);
void setUpDep131Gastro(db::TADOQuery &query);
// DEP 7 export, shop and gastro edition.
void setUpDep7Shop(db::TADOQuery &query);
void setUpDep7Gastro(db::TADOQuery &query);
// LOG export, every variant.
void setUpLog(db::TADOQuery &query);

} // namespace QueryDesign

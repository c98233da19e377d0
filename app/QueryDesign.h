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
// DEP 7 export, shop and gastro edition. The window's queries order the
// receipts by certificate; the export of a single register takes them in
// chain order: by period and receipt number, the certificate after them.
// RegisterNumbers: the numbers of the registers (Kassa) with receipts in
// the period, one row each, ascending.
enum class Dep7Order { ByCertificate, ChainOrder, RegisterNumbers };
void setUpDep7Shop(db::TADOQuery &query, Dep7Order order = Dep7Order::ByCertificate);
void setUpDep7Gastro(db::TADOQuery &query, Dep7Order order = Dep7Order::ByCertificate);
// LOG export, every variant.
void setUpLog(db::TADOQuery &query);

} // namespace QueryDesign

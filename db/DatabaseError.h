#pragma once

#include "Error.h"

namespace db {

// Connecting failed; the message is the provider's text.
class ConnectionError : public Error
{
public:
    using Error::Error;
};

// Running a query failed; the message is the provider's text.
class QueryError : public Error
{
public:
    using Error::Error;
};

} // namespace db

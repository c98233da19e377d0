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

// The server did not answer a statement within the command timeout; the
// message says so in German, followed by the provider's text.
class TimeoutError : public QueryError
{
public:
    using QueryError::QueryError;
};

// A value read from the database cannot be converted as asked (a Null
// where a text is needed): the data, not the program or the file, is at
// fault.
class DataError : public Error
{
public:
    using Error::Error;
};

} // namespace db

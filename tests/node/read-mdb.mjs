// Reads an .mdb file through the mdb-reader package and prints it as JSON,
// for the writer's tests to compare with what they wrote:
//
//   node read-mdb.mjs FILE [PASSWORD]
//
//   {"password": "..." | null, "tables": [{"name", "rowCount",
//     "columns": [{"name", "type", "size"}], "rows": [[value, ...], ...]}]}
//
// Date-time values are given back as OLE day numbers (mdb-reader turns the
// stored number into a Date linearly), currency amounts as mdb-reader's
// decimal texts, everything else as mdb-reader returns it.
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const [file, password] = process.argv.slice(2);
if (!file) {
    console.error("usage: node read-mdb.mjs FILE [PASSWORD]");
    process.exit(2);
}

const msPerDay = 86400000;
const oleEpochInUnixDays = 25569;

function jsonValue(value) {
    if (value instanceof Date) return value.getTime() / msPerDay + oleEpochInUnixDays;
    if (Buffer.isBuffer(value)) return value.toString("base64");
    return value;
}

const reader = new MDBReader(readFileSync(file), { password: password ?? "" });
const tables = reader.getTableNames().map((name) => {
    const table = reader.getTable(name);
    const columns = table.getColumns();
    const rows = table.getData().map((row) => columns.map((c) => jsonValue(row[c.name])));
    return {
        name,
        rowCount: table.rowCount,
        columns: columns.map((c) => ({ name: c.name, type: c.type, size: c.size })),
        rows,
    };
});
process.stdout.write(JSON.stringify({ password: reader.getPassword(), tables }));

// The peer of bench/access_vs_mdb_reader.sh: reads a table with the JavaScript Jet
// reader mdb-reader and writes it as CSV the way tbx convert does (quoted names,
// CRLF between lines). Usage: node access_mdb_reader.mjs IN.mdb TABLE OUT.csv
import { readFileSync, writeFileSync } from "node:fs";
import { createRequire } from "node:module";
import { pathToFileURL } from "node:url";

const [input, tableName, output, modules] = process.argv.slice(2);
// mdb-reader lives in the folder the script installed it into.
const entry = createRequire(modules + "/").resolve("mdb-reader");
const { default: MDBReader } = await import(pathToFileURL(entry).href);

const table = new MDBReader(readFileSync(input)).getTable(tableName);
const names = table.getColumnNames();
const lines = [names.map((n) => `"${n}"`).join(",")];
for (const row of table.getData()) lines.push(names.map((n) => String(row[n])).join(","));
writeFileSync(output, lines.join("\r\n"));

// Cross-check of our Access files with the independent reader mdb-reader.
//   node mdbcheck.mjs FILE EXPECTED.json
// EXPECTED: {"tables": [names...], "table": name, "columns": [...],
//            "rows": [[text|null, ...], ...]}
// Prints "mdbcheck: ok" and exits 0 when the file agrees, else lists the
// differences and exits 1.
import { readFileSync } from "fs";
import MDBReader from "mdb-reader";

const [file, expectedFile] = process.argv.slice(2);
const expected = JSON.parse(readFileSync(expectedFile, "utf8"));
const problems = [];
const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);

let reader;
try {
  reader = new MDBReader(readFileSync(file));
} catch (e) {
  console.log(`mdbcheck: cannot open ${file}: ${e.message}`);
  process.exit(1);
}
if (expected.tables && !same(reader.getTableNames(), expected.tables))
  problems.push(`tables ${JSON.stringify(reader.getTableNames())} != ${JSON.stringify(expected.tables)}`);
for (const name of reader.getTableNames()) {
  // Every table must be readable: this checks page ownership as well.
  try { reader.getTable(name).getData(); } catch (e) { problems.push(`table ${name}: ${e.message}`); }
}
if (expected.table) {
  const t = reader.getTable(expected.table);
  if (!same(t.getColumnNames(), expected.columns))
    problems.push(`columns ${JSON.stringify(t.getColumnNames())} != ${JSON.stringify(expected.columns)}`);
  if (t.rowCount !== expected.rows.length)
    problems.push(`rowCount ${t.rowCount} != ${expected.rows.length}`);
  const data = t.getData();
  if (data.length !== expected.rows.length)
    problems.push(`${data.length} rows read, ${expected.rows.length} expected`);
  for (let r = 0; r < Math.min(data.length, expected.rows.length); ++r) {
    expected.columns.forEach((c, i) => {
      const got = data[r][c] === undefined ? "<missing>" : data[r][c];
      if (got !== expected.rows[r][i])
        problems.push(`row ${r} ${c}: ${JSON.stringify(got)} != ${JSON.stringify(expected.rows[r][i])}`);
    });
  }
}
if (problems.length) {
  console.log(problems.slice(0, 20).join("\n"));
  process.exit(1);
}
console.log("mdbcheck: ok");

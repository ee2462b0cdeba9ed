#!/usr/bin/env bash
# CI step: the VS Code extension in editors/vscode. Installs its npm packages
# as the lock file names them, compiles the TypeScript strictly, checks the
# launch settings, packages the .vsix and loads the packaged extension with a
# stand-in for VS Code's API. VS Code itself is not run here.
# Called as: bash scripts/ci.d/vscode.sh BUILD_DIR [ASAN_BUILD_DIR]
# The package goes to BUILD_DIR/editors/.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$here/build}
start=$SECONDS

for tool in node npm python3; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: install the packages in scripts/packages.d/vscode.txt" >&2; exit 2; }
done
echo "node $(node --version), npm $(npm --version)"

cd "$here/editors/vscode"
# No package's install script runs: none of them needs one to compile or package.
npm ci --ignore-scripts --no-audit --no-fund
npm run compile
npm test

version=$(node -p 'require("./package.json").version')
mkdir -p "$build/editors"
vsix=$(cd "$build/editors" && pwd)/tovel-$version.vsix
rm -f "$vsix"
npx --no-install vsce package --allow-missing-repository --out "$vsix" >"$build/editors/vsce.log" 2>&1 \
    || { cat "$build/editors/vsce.log"; echo "FAIL vsce package"; exit 1; }
[ -f "$vsix" ] || { echo "FAIL no $vsix was made"; exit 1; }

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
python3 -m zipfile -e "$vsix" "$unpacked"
node test/packaged.js "$unpacked"

echo "vscode: $vsix ($(stat -c %s "$vsix") bytes) in $((SECONDS - start)) s"
echo "vscode: VS Code itself is not run here: the extension is compiled, packaged and loaded with a stand-in for its API only."

// Loads the extension from an unpacked .vsix, as VS Code would, to show that
// the package carries everything it needs at run time. VS Code's own API is
// not here: a stand-in answers every name with a constructible stand-in.
// Called as: node test/packaged.js UNPACKED_VSIX_FOLDER
const assert = require('node:assert/strict');
const Module = require('node:module');
const path = require('node:path');

const stub = new Proxy(function () {}, {
    get: (_target, name) => (name === 'prototype' ? {} : stub),
    apply: () => stub,
    construct: () => stub,
});
const resolve = Module._resolveFilename;
Module._resolveFilename = function (request, ...rest) {
    return request === 'vscode' ? 'vscode' : resolve.call(this, request, ...rest);
};
require.cache.vscode = { id: 'vscode', filename: 'vscode', loaded: true, exports: stub };

const root = path.resolve(process.argv[2], 'extension');
const manifest = require(path.join(root, 'package.json'));
const extension = require(path.join(root, manifest.main));
assert.equal(typeof extension.activate, 'function');
assert.equal(typeof extension.deactivate, 'function');
// Nothing of the sources or the development tools went into the package.
for (const left of ['src', 'test', 'tsconfig.json', 'node_modules/typescript', 'node_modules/@vscode/vsce']) {
    assert.throws(() => require('node:fs').statSync(path.join(root, left)), { code: 'ENOENT' }, `${left} is packaged`);
}
console.log(`the packaged extension loads: ${manifest.name} ${manifest.version}, main ${manifest.main}`);

// Loads the compiled launch helper (npm run compile first) and checks what
// the server is started with for a workspace left at the defaults and for one
// whose settings name a server, libraries and plain placeholders.
const assert = require('node:assert/strict');
const os = require('node:os');
const path = require('node:path');
const test = require('node:test');
const { serverLaunch } = require('../out/launch.js');

const folder = path.join(os.tmpdir(), 'project');

test('the defaults start tovel-cli from PATH with choice placeholders', () => {
    assert.deepEqual(serverLaunch({ serverPath: 'tovel-cli', libraries: [], choiceSnippets: true }, folder), {
        command: 'tovel-cli',
        args: ['lsp'],
        initializationOptions: { libraries: [], choiceSnippets: true },
    });
    // Settings of the wrong type, as a hand-edited settings.json may hold,
    // fall back to the same defaults.
    assert.deepEqual(
        serverLaunch({ serverPath: '  ', libraries: 'lib.s79', choiceSnippets: 'no' }, folder),
        serverLaunch({}, folder)
    );
});

test('set paths are taken from the workspace folder and the home folder', () => {
    const launch = serverLaunch(
        {
            serverPath: 'build/tovel-cli',
            libraries: ['LibDev4410.s79', '', 42, '~/libs/uart.h', '/opt/libs/pwm.s'],
            choiceSnippets: false,
        },
        folder
    );
    assert.deepEqual(launch, {
        command: path.join(folder, 'build', 'tovel-cli'),
        args: ['lsp'],
        initializationOptions: {
            libraries: [path.join(folder, 'LibDev4410.s79'), path.join(os.homedir(), 'libs', 'uart.h'), '/opt/libs/pwm.s'],
            choiceSnippets: false,
        },
    });
    // Without a workspace folder a relative path is left for the server.
    assert.deepEqual(serverLaunch({ libraries: ['LibDev4410.s79'] }).initializationOptions.libraries, ['LibDev4410.s79']);
});

// Starts Tovel's language server (tovel-cli lsp) for C and assembler files
// and restarts it on request or when its settings change.
import * as vscode from 'vscode';
import { Executable, LanguageClient, LanguageClientOptions, TransportKind } from 'vscode-languageclient/node';
import { serverLaunch } from './launch';

const launchSettings = ['tovel.serverPath', 'tovel.libraries', 'tovel.choiceSnippets'];

// C and assembler buffers by language, and the file names the server knows
// for the cases where another extension gave such a file a language of its own.
const documentSelector = [
    { scheme: 'file', language: 'c' },
    { scheme: 'file', language: 'asm' },
    { scheme: 'untitled', language: 'c' },
    { scheme: 'untitled', language: 'asm' },
    { scheme: 'file', pattern: '**/*.{s,S,s79,asm,h,c}' },
];

let client: LanguageClient | undefined;
let output: vscode.OutputChannel | undefined;
// Starts and stops run one after another, so that a restart asked for while
// one is under way does not leave two servers running.
let pending: Promise<void> = Promise.resolve();

function newClient(): { client: LanguageClient; command: string } {
    const folder = vscode.workspace.workspaceFolders?.[0];
    const folderPath = folder !== undefined && folder.uri.scheme === 'file' ? folder.uri.fsPath : undefined;
    const config = vscode.workspace.getConfiguration('tovel', folder?.uri);
    const launch = serverLaunch(
        {
            serverPath: config.get<unknown>('serverPath'),
            libraries: config.get<unknown>('libraries'),
            choiceSnippets: config.get<unknown>('choiceSnippets'),
        },
        folderPath
    );
    const server: Executable = { command: launch.command, args: launch.args, transport: TransportKind.stdio };
    if (folderPath !== undefined) {
        server.options = { cwd: folderPath };
    }
    output ??= vscode.window.createOutputChannel('Tovel');
    const clientOptions: LanguageClientOptions = {
        documentSelector,
        initializationOptions: launch.initializationOptions,
        outputChannel: output,
        traceOutputChannel: output,
    };
    return { client: new LanguageClient('tovel', 'Tovel', server, clientOptions), command: launch.command };
}

async function start(): Promise<void> {
    const made = newClient();
    client = made.client;
    try {
        await made.client.start();
    } catch (error) {
        client = undefined;
        const reason = error instanceof Error ? error.message : String(error);
        const choice = await vscode.window.showErrorMessage(
            `Tovel could not start its language server "${made.command} lsp": ${reason}. ` +
                'Set "tovel.serverPath" to the tovel-cli program.',
            'Open Settings'
        );
        if (choice === 'Open Settings') {
            await vscode.commands.executeCommand('workbench.action.openSettings', 'tovel.serverPath');
        }
    }
}

async function stop(): Promise<void> {
    const running = client;
    client = undefined;
    if (running !== undefined) {
        try {
            await running.stop();
        } catch (error) {
            output?.appendLine(`Stopping the server: ${error instanceof Error ? error.message : String(error)}`);
        }
    }
}

function restart(): Promise<void> {
    pending = pending.then(stop).then(start);
    return pending;
}

export function activate(context: vscode.ExtensionContext): Promise<void> {
    context.subscriptions.push(
        vscode.commands.registerCommand('tovel.restartServer', restart),
        vscode.workspace.onDidChangeConfiguration((event) => {
            if (launchSettings.some((name) => event.affectsConfiguration(name))) {
                void restart();
            }
        })
    );
    pending = pending.then(start);
    return pending;
}

export function deactivate(): Promise<void> {
    pending = pending.then(stop);
    return pending.then(() => {
        output?.dispose();
        output = undefined;
    });
}

// How the server is started, worked out from the user's settings alone. This
// file does not import vscode, so plain node can load and check it.
import * as os from 'os';
import * as path from 'path';

export const defaultServerPath = 'tovel-cli';

// The settings as read from the configuration: any value a user may have
// typed into settings.json, not only the declared types.
export interface LaunchSettings {
    serverPath?: unknown;
    libraries?: unknown;
    choiceSnippets?: unknown;
}

export interface InitializationOptions {
    libraries: string[];
    choiceSnippets: boolean;
}

export interface ServerLaunch {
    command: string;
    args: string[];
    initializationOptions: InitializationOptions;
}

// A path from the settings: "~" and "~/..." are the home folder, a relative
// path is taken from the workspace folder (the server's own working folder
// may be anywhere), an absolute one stays as it is.
function settledPath(value: string, workspaceFolder: string | undefined, pathApi: path.PlatformPath): string {
    let p = value;
    if (p === '~' || p.startsWith('~/') || (pathApi.sep === '\\' && p.startsWith('~\\'))) {
        p = pathApi.join(os.homedir(), p.slice(1));
    }
    if (!pathApi.isAbsolute(p) && workspaceFolder !== undefined) {
        p = pathApi.resolve(workspaceFolder, p);
    }
    return p;
}

function isPathLike(command: string, pathApi: path.PlatformPath): boolean {
    return command.startsWith('~') || command.includes('/') || (pathApi.sep === '\\' && command.includes('\\'));
}

// The program, its arguments and the initializationOptions the server gets.
// Values of the wrong type fall back to the defaults; blank entries in the
// library list are dropped.
export function serverLaunch(
    settings: LaunchSettings,
    workspaceFolder?: string,
    pathApi: path.PlatformPath = path
): ServerLaunch {
    let command = defaultServerPath;
    if (typeof settings.serverPath === 'string' && settings.serverPath.trim() !== '') {
        command = settings.serverPath.trim();
        // A bare name is found on PATH by the system; anything with a folder
        // in it is a file.
        if (isPathLike(command, pathApi)) {
            command = settledPath(command, workspaceFolder, pathApi);
        }
    }
    const libraries: string[] = [];
    if (Array.isArray(settings.libraries)) {
        for (const entry of settings.libraries) {
            if (typeof entry === 'string' && entry.trim() !== '') {
                libraries.push(settledPath(entry.trim(), workspaceFolder, pathApi));
            }
        }
    }
    const choiceSnippets = typeof settings.choiceSnippets === 'boolean' ? settings.choiceSnippets : true;
    return { command, args: ['lsp'], initializationOptions: { libraries, choiceSnippets } };
}

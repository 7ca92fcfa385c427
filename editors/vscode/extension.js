// Starts kv74-dap for sessions of type "kv74": the configuration's adapterPath, else the
// kv74.adapterPath setting, else kv74-dap on PATH. No other code runs in the editor.
const vscode = require("vscode");

function activate(context) {
  context.subscriptions.push(
    vscode.debug.registerDebugAdapterDescriptorFactory("kv74", {
      createDebugAdapterDescriptor(session) {
        const configured = vscode.workspace.getConfiguration("kv74").get("adapterPath");
        const program = session.configuration.adapterPath || configured || "kv74-dap";
        return new vscode.DebugAdapterExecutable(program, []);
      },
    }));
}

function deactivate() {}

module.exports = { activate, deactivate };

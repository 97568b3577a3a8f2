// kestrin-render --serve: the Slate panel, a page in the browser that edits a composition live.
//
//   browser <--HTTP (cpp-httplib, its own threads)--> PanelServer --tasks--> main thread: PanelSession
//
// The server answers on --bind (127.0.0.1 unless given) and --port, and serves:
//   GET  /  /panel.js  /panel.css    the page, read at start from the panel folder
//   GET  /api/panel                  PanelSession::describe
//   GET  /api/preview?frame=N&level=K  the frame as PNG
//   POST /api/set {"input", "value"}, /api/undo, /api/redo, /api/plate {"connected"}, /api/save
// Every request whose Host is not the server's own (a name other than localhost or the address
// it listens on: DNS rebinding) or whose Origin is not the page's is refused (403); a POST must
// carry JSON; bodies are limited to kMaxRequestBytes. An edit the session refuses is answered 400
// with {"error": message}; the page shows it. Requests run one at a time on the main thread, the
// one the graph belongs to; the server stops at SIGINT or SIGTERM.
#pragma once

#include <Vx/Render/CompositionFile.h>
#include <Vx/Render/RenderOptions.h>

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>

namespace Vx::Render {

/// The largest request body the panel's server reads, in bytes (a text of 1 MiB, quoted as JSON).
constexpr std::size_t kMaxRequestBytes = std::size_t(8) << 20;

/// The folder of the page's files: "../share/kestrin-render/panel" next to the executable's folder.
std::string defaultPanelFolder(const std::string& executablePath);

/// Whether `host` (a Host header) names the server listening on `bind`:`port`: "localhost",
/// "127.0.0.1", "[::1]" or `bind` itself, with the port; any IP address when `bind` is a wildcard
/// (0.0.0.0, ::). Names that resolve elsewhere (DNS rebinding) are not the server's.
bool isOwnHost(const std::string& host, const std::string& bind, int port);

/// Builds the composition (`file` with `options` over it, plug-ins already loaded from
/// `pluginFolder`), serves the panel until a stop signal and returns the exit code. The address
/// is printed to `out` as one line "Slate panel: http://ADDR:PORT/".
int servePanel(const std::optional<CompositionDoc>& file, const RenderOptions& options, const std::string& pluginFolder,
               const std::string& executablePath, std::ostream& out, std::ostream& err);

} // namespace Vx::Render

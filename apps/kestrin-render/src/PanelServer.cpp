// The Slate panel's web server.
#include <Vx/Render/PanelServer.h>

#include <Vx/Render/PanelSession.h>
#include <Vx/Render/StopSignals.h>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <ostream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace Vx::Render {

namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

constexpr const char* kPrefix = "kestrin-render: ";

/// The page's files, by the path they are served under, with their content types.
const std::map<std::string, std::pair<std::string, std::string>> kPageFiles = {
    {"/", {"index.html", "text/html; charset=utf-8"}},
    {"/panel.js", {"panel.js", "text/javascript; charset=utf-8"}},
    {"/panel.css", {"panel.css", "text/css; charset=utf-8"}},
};

/// Work handed from the server's threads to the main thread, which the graph belongs to; each
/// caller waits for its own task.
class MainThreadQueue
{
public:
    /// Runs `task` on the main thread and returns its result, or rethrows its exception.
    template <class Task> auto call(Task task) -> decltype(task())
    {
        std::packaged_task<decltype(task())()> packaged(std::move(task));
        auto result = packaged.get_future();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_tasks.emplace_back([&packaged] { packaged(); });
        }
        m_ready.notify_one();
        return result.get();
    }

    /// Runs the tasks handed over within `wait`; returns after it either way.
    void runFor(std::chrono::milliseconds wait)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_ready.wait_for(lock, wait, [&] { return !m_tasks.empty(); });
        while (!m_tasks.empty()) {
            std::function<void()> task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_tasks;
};

std::string readPageFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("Cannot read the panel's page " + path.string() +
                                 " (installed with kestrin-render in share/kestrin-render/panel)");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool isWildcard(const std::string& bind)
{
    return bind == "0.0.0.0" || bind == "::" || bind == "[::]";
}

/// `value` of query parameter `name` as a whole number, `fallback` when absent.
std::int64_t queryWhole(const httplib::Request& request, const std::string& name, std::int64_t fallback)
{
    if (!request.has_param(name.c_str()))
        return fallback;
    const std::string value = request.get_param_value(name.c_str());
    static const std::regex whole(R"(-?\d{1,15})");
    if (!std::regex_match(value, whole))
        throw std::invalid_argument("The " + name + " \"" + value + "\" is not a whole number");
    return std::stoll(value);
}

json parseBody(const httplib::Request& request)
{
    try {
        return request.body.empty() ? json::object() : json::parse(request.body);
    } catch (const json::exception& e) {
        throw std::invalid_argument(std::string("The request is not valid JSON: ") + e.what());
    }
}

void sendError(httplib::Response& response, int status, const std::string& message)
{
    response.status = status;
    response.set_content(json{{"error", message}}.dump(), "application/json");
}

} // namespace

std::string defaultPanelFolder(const std::string& executablePath)
{
    std::error_code error;
    fs::path exe = fs::canonical(executablePath, error);
    if (error)
        exe = fs::absolute(executablePath, error);
    return (exe.parent_path().parent_path() / "share" / "kestrin-render" / "panel").string();
}

bool isOwnHost(const std::string& host, const std::string& bind, int port)
{
    const std::size_t colon = host.rfind(':');
    if (colon == std::string::npos || host.substr(colon + 1) != std::to_string(port))
        return false;
    const std::string name = host.substr(0, colon);
    if (name == "localhost" || name == "127.0.0.1" || name == "[::1]")
        return true;
    if (isWildcard(bind)) {
        static const std::regex ipv4(R"(\d{1,3}(\.\d{1,3}){3})");
        static const std::regex ipv6(R"(\[[0-9a-fA-F:.]+\])");
        return std::regex_match(name, ipv4) || std::regex_match(name, ipv6);
    }
    return name == bind || name == "[" + bind + "]";
}

int servePanel(const std::optional<CompositionDoc>& file, const RenderOptions& options, const std::string& pluginFolder,
               const std::string& executablePath, std::ostream& out, std::ostream& err)
{
    const fs::path pageFolder = defaultPanelFolder(executablePath);
    std::map<std::string, std::string> pages;
    for (const auto& [route, entry] : kPageFiles)
        pages[route] = readPageFile(pageFolder / entry.first);

    PanelSession session(file, options, pluginFolder);
    session.setUpColour(executablePath);
    MainThreadQueue mainThread;
    httplib::Server server;
    server.set_payload_max_length(kMaxRequestBytes);
    int port = options.port;

    server.set_pre_routing_handler([&](const httplib::Request& request, httplib::Response& response) {
        const std::string host = request.get_header_value("Host");
        if (!isOwnHost(host, options.bind, port)) {
            sendError(response, 403, "Refused: the Host \"" + host + "\" is not this server's");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (request.has_header("Origin") && request.get_header_value("Origin") != "http://" + host) {
            sendError(response, 403,
                      "Refused: requests from the origin \"" + request.get_header_value("Origin") +
                          "\" are not served; only the panel's own page may call it");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (request.method == "POST" &&
            request.get_header_value("Content-Type").compare(0, 16, "application/json") != 0) {
            sendError(response, 415, "Refused: the panel's requests carry JSON (Content-Type: application/json)");
            return httplib::Server::HandlerResponse::Handled;
        }
        response.set_header("Cache-Control", "no-store");
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Content-Security-Policy", "default-src 'self'; img-src 'self' blob:");
        return httplib::Server::HandlerResponse::Unhandled;
    });

    for (const auto& [route, entry] : kPageFiles) {
        const std::string type = entry.second;
        server.Get(route, [&pages, route = route, type](const httplib::Request&, httplib::Response& response) {
            response.set_content(pages.at(route), type.c_str());
        });
    }
    // Each call of the session runs on the main thread; a refused edit is an answer, not a failure.
    const auto api = [&](std::function<json(const httplib::Request&)> handler) {
        return [&mainThread, handler](const httplib::Request& request, httplib::Response& response) {
            try {
                const json result = mainThread.call([&] { return handler(request); });
                response.set_content(result.dump(), "application/json");
            } catch (const std::invalid_argument& e) {
                sendError(response, 400, e.what());
            } catch (const std::exception& e) {
                sendError(response, 500, e.what());
            } catch (...) {
                sendError(response, 500, "The request failed with an error of the host");
            }
        };
    };
    server.Get("/api/panel", api([&](const httplib::Request&) { return session.describe(); }));
    server.Post("/api/set", api([&](const httplib::Request& request) {
                    const json body = parseBody(request);
                    if (!body.contains("input") || !body["input"].is_string() || !body.contains("value"))
                        throw std::invalid_argument("An edit names an \"input\" and gives its \"value\"");
                    return session.setInput(body["input"].get<std::string>(), body["value"]);
                }));
    server.Post("/api/undo", api([&](const httplib::Request&) { return session.undo(); }));
    server.Post("/api/redo", api([&](const httplib::Request&) { return session.redo(); }));
    server.Post("/api/plate", api([&](const httplib::Request& request) {
                    const json body = parseBody(request);
                    if (!body.contains("connected") || !body["connected"].is_boolean())
                        throw std::invalid_argument("\"connected\" must be true or false");
                    return session.setPlateConnected(body["connected"].get<bool>());
                }));
    server.Post("/api/save", api([&](const httplib::Request&) { return session.save(); }));
    server.Get("/api/preview", [&](const httplib::Request& request, httplib::Response& response) {
        try {
            const std::vector<unsigned char> png = mainThread.call([&] {
                return session.renderPreview(queryWhole(request, "frame", session.getFirstFrame()),
                                             int(queryWhole(request, "level", 1)));
            });
            response.set_content(reinterpret_cast<const char*>(png.data()), png.size(), "image/png");
        } catch (const std::invalid_argument& e) {
            sendError(response, 400, e.what());
        } catch (const std::exception& e) {
            sendError(response, 500, e.what());
        } catch (...) {
            sendError(response, 500, "The preview failed with an error of the host");
        }
    });

    if (port == 0) {
        port = server.bind_to_any_port(options.bind);
        if (port <= 0)
            throw std::runtime_error("--serve: cannot listen on " + options.bind + " (see --bind)");
    } else if (!server.bind_to_port(options.bind, port)) {
        throw std::runtime_error("--serve: cannot listen on " + options.bind + ":" + std::to_string(port) +
                                 " (the port is taken or the address is not this machine's; choose another with "
                                 "--port, or --port 0 for any free one)");
    }
    const std::string shown = isWildcard(options.bind)                      ? "127.0.0.1"
                              : options.bind.find(':') != std::string::npos ? "[" + options.bind + "]"
                                                                            : options.bind;
    out << "Slate panel: http://" << shown << ":" << port << "/" << std::endl;

    std::atomic<bool> listening{true};
    std::thread listener([&] {
        server.listen_after_bind();
        listening = false;
    });
    while (listening && getStopSignal() == 0)
        mainThread.runFor(std::chrono::milliseconds(100));
    server.stop();
    // Requests already under way still need the main thread to finish.
    while (listening)
        mainThread.runFor(std::chrono::milliseconds(20));
    listener.join();
    err << kPrefix << "the panel's server stopped\n";
    return 0;
}

} // namespace Vx::Render

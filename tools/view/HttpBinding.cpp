#include "tools/view/HttpBinding.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <httplib.h>

#include "tools/view/ViewJson.h"

namespace tarn::tool {

namespace {

// httplib's own pool queues every accepted connection without bound; this one makes the accepting
// thread wait while kWaiting connections are queued, so that further ones stay in the kernel's
// listen queue instead of in memory.
class BoundedWorkers : public httplib::TaskQueue {
public:
    static constexpr std::size_t kWaiting = 32;

    explicit BoundedWorkers(int threads) {
        for (int i = 0; i < threads; ++i) m_Threads.emplace_back([this] { Work(); });
    }

    void enqueue(std::function<void()> fn) override {
        std::unique_lock<std::mutex> lock(m_Lock);
        m_Room.wait(lock, [this] { return m_Jobs.size() < kWaiting || m_Shutdown; });
        m_Jobs.push_back(std::move(fn));
        m_Ready.notify_one();
    }

    void shutdown() override {
        {
            const std::lock_guard<std::mutex> lock(m_Lock);
            m_Shutdown = true;
        }
        m_Ready.notify_all();
        m_Room.notify_all();
        for (std::thread& t : m_Threads) t.join();
    }

private:
    void Work() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(m_Lock);
                m_Ready.wait(lock, [this] { return !m_Jobs.empty() || m_Shutdown; });
                if (m_Jobs.empty()) return;
                job = std::move(m_Jobs.front());
                m_Jobs.pop_front();
            }
            m_Room.notify_one();
            job();
        }
    }

    std::mutex m_Lock;
    std::condition_variable m_Ready, m_Room;
    std::deque<std::function<void()>> m_Jobs;
    std::vector<std::thread> m_Threads;
    bool m_Shutdown = false;
};

void Answer(httplib::Response& response, const Reply& reply) {
    response.status = reply.status;
    response.set_header("Cache-Control", "no-store");
    // Handed over through a provider of known length, which httplib sends as it is: it would
    // compress a body set directly for a browser (brotli: a tenth of a second for an overview).
    auto body = std::make_shared<std::string>(reply.body);
    response.set_content_provider(body->size(), reply.contentType.c_str(),
                                  [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                      return sink.write(body->data() + offset, length);
                                  });
}

}  // namespace

struct HttpBinding::Server : httplib::Server {};

HttpBinding::HttpBinding(std::map<std::string, Handler> routes)
    : m_Server(std::make_unique<Server>()), m_Routes(std::move(routes)) {
    Server& server = *m_Server;
    server.new_task_queue = [] { return new BoundedWorkers(kWorkers); };
    // Requests are a line and a few headers: bodies are refused, slow clients let go.
    server.set_payload_max_length(1 << 12);
    server.set_read_timeout(5);
    server.set_write_timeout(5);
    // Headers and body go out in separate writes: without this the body waits for the client's
    // delayed acknowledgement (40 ms on Linux).
    server.set_tcp_nodelay(true);
    server.set_keep_alive_timeout(1);
    server.set_keep_alive_max_count(100);
    // Every request is answered here: the routes for GET, 405 for other methods, 404 for other
    // paths. Nothing reaches httplib's own routing (which could serve files).
    server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (request.method != "GET") {
            response.set_header("Allow", "GET");
            Answer(response, {405, kJson, ErrorJson("only GET is served")});
            return httplib::Server::HandlerResponse::Handled;
        }
        const auto route = m_Routes.find(request.path);
        if (route == m_Routes.end()) {
            Answer(response, {404, kJson, ErrorJson("no such path")});
            return httplib::Server::HandlerResponse::Handled;
        }
        const QueryItems query(request.params.begin(), request.params.end());
        Answer(response, ViewApi::Guarded([&] { return route->second(query); }));
        return httplib::Server::HandlerResponse::Handled;
    });
}

HttpBinding::~HttpBinding() = default;

int HttpBinding::Bind(int port) {
    if (port == 0) return m_Server->bind_to_any_port("127.0.0.1");
    return m_Server->bind_to_port("127.0.0.1", port) ? port : -1;
}

void HttpBinding::Serve() { m_Server->listen_after_bind(); }

void HttpBinding::Stop() { m_Server->stop(); }

}  // namespace tarn::tool

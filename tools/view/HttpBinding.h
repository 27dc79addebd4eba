// The viewer's HTTP side: a server on the loopback interface only that answers GET requests for
// a fixed set of paths, with a bounded number of requests in work at once.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "tools/view/QueryParameters.h"
#include "tools/view/ViewApi.h"

namespace tarn::tool {

class HttpBinding {
public:
    using Handler = std::function<Reply(const QueryItems&)>;
    // Requests served at once; further connections wait in the listening socket's queue.
    static constexpr int kWorkers = 8;

    explicit HttpBinding(std::map<std::string, Handler> routes);
    ~HttpBinding();
    HttpBinding(const HttpBinding&) = delete;
    HttpBinding& operator=(const HttpBinding&) = delete;

    // Binds 127.0.0.1:port (0: a free port); the port bound, or -1.
    int Bind(int port);
    // Serves until Stop is called (from another thread).
    void Serve();
    void Stop();

private:
    struct Server;
    std::unique_ptr<Server> m_Server;
    std::map<std::string, Handler> m_Routes;
};

}  // namespace tarn::tool

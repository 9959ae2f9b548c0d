#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace server {

// An answer to one request.
struct HttpAnswer {
    int status = 200;
    std::string_view contentType = "text/plain; charset=utf-8"; // a literal
    std::string body;
    // Extra header fields, e.g. { "Cache-Control", "public, max-age=86400" }.
    std::vector<std::pair<std::string, std::string>> fields;

    // A plain-text answer: `text` ends with a line feed.
    static HttpAnswer plain(int status, std::string text)
    {
        return { status, "text/plain; charset=utf-8", std::move(text), {} };
    }
};

// The requests one kind of connection answers: a POST to one path with a body of at most a given
// size, or a GET of any path under a prefix. Anything else is 404. Set up before the server starts;
// then any thread may look up and call routes (handlers must be thread-safe). Handlers run on the
// connections' threads and must never wait: a POST handler that has to (for the database) answers
// later, from any thread.
class HttpRoutes {
public:
    // Gives the request its answer; call exactly once.
    using Respond = std::function<void(HttpAnswer)>;
    // `body` is valid during the call only.
    using PostHandler = std::function<void(std::string_view body, Respond respond)>;
    // Gets the rest of the path after the prefix.
    using GetHandler = std::function<HttpAnswer(std::string_view rest)>;

    void post(std::string path, std::size_t bodyLimit, PostHandler handler);
    void getUnder(std::string prefix, GetHandler handler);

    // What the server does with one request, known from its head.
    struct Route {
        // The most body bytes the request may bring (0 for a GET).
        std::size_t bodyLimit = 0;
        const PostHandler* post = nullptr;
        const GetHandler* get = nullptr;
        std::string_view rest; // of the target, after a GET's prefix
    };
    // The route of `method` and `target` (the query, if any, is not part of the path), or none.
    std::optional<Route> find(std::string_view method, std::string_view target) const;

private:
    struct Post {
        std::string path;
        std::size_t bodyLimit;
        PostHandler handler;
    };
    struct Get {
        std::string prefix;
        GetHandler handler;
    };
    std::vector<Post> posts_;
    std::vector<Get> gets_;
};

} // namespace server

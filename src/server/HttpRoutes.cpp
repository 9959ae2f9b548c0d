#include "HttpRoutes.h"

namespace server {

void HttpRoutes::post(std::string path, std::size_t bodyLimit, PostHandler handler)
{
    posts_.push_back({ std::move(path), bodyLimit, std::move(handler) });
}

void HttpRoutes::getUnder(std::string prefix, GetHandler handler)
{
    gets_.push_back({ std::move(prefix), std::move(handler) });
}

std::optional<HttpRoutes::Route> HttpRoutes::find(std::string_view method, std::string_view target) const
{
    const std::string_view path = target.substr(0, target.find('?'));
    if (method == "POST") {
        for (const Post& post : posts_) {
            if (path == post.path)
                return Route { post.bodyLimit, &post.handler, nullptr, {} };
        }
    } else if (method == "GET") {
        for (const Get& get : gets_) {
            if (path.starts_with(get.prefix))
                return Route { 0, nullptr, &get.handler, path.substr(get.prefix.size()) };
        }
    }
    return std::nullopt;
}

} // namespace server

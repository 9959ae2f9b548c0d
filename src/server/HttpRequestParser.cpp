#include "HttpRequestParser.h"

#include <boost/beast/core/string.hpp>

namespace server {

namespace http = boost::beast::http;

HttpRequestParser::HttpRequestParser(std::string& body)
    : body_(body)
{
    body_.clear();
}

void HttpRequestParser::on_request_impl(http::verb, string_view method, string_view target, int, error_code&)
{
    method_.assign(method.data(), method.size());
    target_.assign(target.data(), target.size());
}

void HttpRequestParser::on_field_impl(http::field name, string_view, string_view value, error_code&)
{
    if (name == http::field::transfer_encoding) {
        ++transferEncodings_;
        codingIsChunked_ = boost::beast::iequals(value, "chunked");
    } else if (name == http::field::content_length) {
        ++contentLengths_;
    }
}

void HttpRequestParser::on_body_init_impl(const boost::optional<std::uint64_t>& length, error_code&)
{
    // The length is within the body limit here.
    if (length)
        body_.reserve(static_cast<std::size_t>(*length));
}

std::size_t HttpRequestParser::on_body_impl(string_view piece, error_code&)
{
    body_.append(piece.data(), piece.size());
    return piece.size();
}

std::size_t HttpRequestParser::on_chunk_body_impl(std::uint64_t, string_view piece, error_code&)
{
    body_.append(piece.data(), piece.size());
    return piece.size();
}

} // namespace server

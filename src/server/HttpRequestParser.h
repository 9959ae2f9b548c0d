#pragma once

#include <boost/beast/http/basic_parser.hpp>

#include <string>
#include <string_view>

namespace server {

// Reads one request, keeping of its head only what the server looks at, and its body in a string the
// caller keeps: a connection's requests reuse one body string, and no header field is copied.
class HttpRequestParser : public boost::beast::http::basic_parser<true> {
public:
    // `body` is cleared and receives the body.
    explicit HttpRequestParser(std::string& body);

    std::string_view method() const { return method_; }
    std::string_view target() const { return target_; }
    // Transfer-Encoding fields, and whether the one there is (if one) says just "chunked".
    int transferEncodings() const { return transferEncodings_; }
    bool codingIsChunked() const { return codingIsChunked_; }
    int contentLengths() const { return contentLengths_; }

private:
    using error_code = boost::beast::error_code;
    using string_view = boost::beast::string_view;

    void on_request_impl(
        boost::beast::http::verb, string_view method, string_view target, int, error_code&) override;
    void on_response_impl(int, string_view, int, error_code&) override { }
    void on_field_impl(boost::beast::http::field name, string_view, string_view value, error_code&) override;
    void on_header_impl(error_code&) override { }
    void on_body_init_impl(const boost::optional<std::uint64_t>& length, error_code&) override;
    std::size_t on_body_impl(string_view piece, error_code&) override;
    void on_chunk_header_impl(std::uint64_t, string_view, error_code&) override { }
    std::size_t on_chunk_body_impl(std::uint64_t, string_view piece, error_code&) override;
    void on_finish_impl(error_code&) override { }

    std::string& body_;
    std::string method_;
    std::string target_;
    int transferEncodings_ = 0;
    bool codingIsChunked_ = false;
    int contentLengths_ = 0;
};

} // namespace server

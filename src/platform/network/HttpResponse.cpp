#include "HttpResponse.h"

#include <QByteArray>

namespace platform {

std::string HttpResponse::headerValue(std::string_view name) const
{
    const QByteArray wanted = QByteArray(name.data(), static_cast<qsizetype>(name.size())).toLower();
    for (const auto& [field, value] : headers) {
        if (QByteArray::fromStdString(field).toLower() == wanted)
            return value;
    }
    return {};
}

} // namespace platform

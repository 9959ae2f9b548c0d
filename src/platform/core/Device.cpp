#include "Device.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QMessageAuthenticationCode>

#include <cctype>

namespace platform {

namespace {

// The application's id: 16 bytes fixed for all time, so that a device always
// gets the same identifier and other applications get other ones.
constexpr unsigned char kApplicationId[16]
    = { 0x5e, 0x21, 0x9c, 0x4a, 0xd3, 0x07, 0x48, 0xb1, 0x8f, 0x6a, 0x12, 0xee, 0x39, 0x70, 0xc5, 0x0b };

} // namespace

std::optional<std::string> Device::uniqueIdentifierFromMachineId(std::string_view machineIdText)
{
    QByteArray text(machineIdText.data(), static_cast<qsizetype>(machineIdText.size()));
    text = text.trimmed();
    if (text.size() != 32)
        return std::nullopt;
    for (const char digit : text) {
        if (!std::isxdigit(static_cast<unsigned char>(digit)))
            return std::nullopt;
    }
    const QByteArray machineId = QByteArray::fromHex(text);
    if (machineId == QByteArray(16, '\0'))
        return std::nullopt;
    // As systemd does: the machine id keys the code of the application's id.
    QByteArray id = QMessageAuthenticationCode::hash(
        QByteArray(reinterpret_cast<const char*>(kApplicationId), sizeof kApplicationId), machineId,
        QCryptographicHash::Sha256);
    id.truncate(16);
    // A random-based UUID's version and variant bits, as systemd sets them.
    id[6] = static_cast<char>((id[6] & 0x0f) | 0x40);
    id[8] = static_cast<char>((id[8] & 0x3f) | 0x80);
    return id.toHex().toStdString();
}

std::optional<std::string> Device::uniqueIdentifier()
{
    QFile file("/etc/machine-id");
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return uniqueIdentifierFromMachineId(file.read(64).toStdString());
}

} // namespace platform

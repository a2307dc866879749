#include "main/core/password.h"
#include <QByteArray>
#include <QStringList>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace ostrel {
namespace {
const QString kScheme = QStringLiteral("pbkdf2-sha256");
constexpr int kIterations = 120000;
constexpr int kSaltBytes = 16;
constexpr int kHashBytes = 32;

QByteArray derive(const QString& password, const QByteArray& salt, int iterations)
{
    const QByteArray pw = password.toUtf8();
    QByteArray out(kHashBytes, '\0');
    if (PKCS5_PBKDF2_HMAC(pw.constData(), pw.size(), reinterpret_cast<const unsigned char*>(salt.constData()),
                          salt.size(), iterations, EVP_sha256(), out.size(),
                          reinterpret_cast<unsigned char*>(out.data())) != 1)
        return QByteArray();
    return out;
}
} // namespace

QString HashPassword(const QString& password)
{
    if (password.isEmpty())
        return QString();
    QByteArray salt(kSaltBytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(salt.data()), salt.size()) != 1)
        qFatal("no random bytes for a password salt");
    const QByteArray hash = derive(password, salt, kIterations);
    return kScheme + QLatin1Char('$') + QString::number(kIterations) + QLatin1Char('$') +
           QString::fromLatin1(salt.toBase64()) + QLatin1Char('$') + QString::fromLatin1(hash.toBase64());
}

bool HasOuterBlanks(const QString& password) { return password != password.trimmed(); }

bool NeedsRehash(const QString& stored)
{
    return !stored.isEmpty() && !stored.startsWith(kScheme + QLatin1Char('$'));
}

bool VerifyPassword(const QString& stored, const QString& password)
{
    if (stored.isEmpty())
        return password.isEmpty();
    if (NeedsRehash(stored))
        return stored == password;
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    const int iterations = parts[1].toInt(&ok);
    if (!ok || iterations < 1 || iterations > 10000000)
        return false;
    const QByteArray salt = QByteArray::fromBase64(parts[2].toLatin1());
    const QByteArray expected = QByteArray::fromBase64(parts[3].toLatin1());
    if (salt.isEmpty() || expected.size() != kHashBytes)
        return false;
    const QByteArray got = derive(password, salt, iterations);
    return got.size() == expected.size() && CRYPTO_memcmp(got.constData(), expected.constData(), got.size()) == 0;
}

} // namespace ostrel

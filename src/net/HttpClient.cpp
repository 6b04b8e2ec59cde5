#include "net/HttpClient.h"

#include <QEventLoop>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>

namespace {

constexpr int kMaxLine = 16 * 1024;
constexpr int kMaxHeaderLines = 200;
constexpr int kMaxRedirects = 5;

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

int DefaultPort(const QUrl& url) {
    return url.scheme() == QLatin1String("https") ? 443 : 80;
}

} // namespace

QByteArray BuildHttpRequest(const QUrl& url, const QString& userAgent, bool viaProxy,
                            const QString& proxyUser, const QString& proxyPass) {
    QByteArray target;
    if (viaProxy) {
        target = url.toEncoded(QUrl::RemoveFragment);
    } else {
        target = url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
        if (target.isEmpty() || target[0] != '/') target.prepend('/');
    }
    QByteArray host = url.host(QUrl::FullyEncoded).toUtf8();
    if (url.port() > 0 && url.port() != DefaultPort(url))
        host += ':' + QByteArray::number(url.port());
    QByteArray r = "GET " + target + " HTTP/1.0\r\n";
    r += "Accept: " + kHttpAccept + "\r\n";
    r += "User-Agent: " + userAgent.toUtf8() + "\r\n";
    r += "Host: " + host + "\r\n";
    if (viaProxy && !proxyUser.isEmpty())
        r += "Proxy-Authorization: Basic " +
             (proxyUser + QLatin1Char(':') + proxyPass).toUtf8().toBase64() + "\r\n";
    r += "\r\n";
    return r;
}

// ---- response parser ---------------------------------------------------------

THttpResponseParser::TState THttpResponseParser::Fail(const QString& why) {
    FError = why;
    FPending.clear();
    return FState = stError;
}

bool THttpResponseParser::TakeLine(QByteArray& line) {
    const qsizetype end = FPending.indexOf('\n');
    if (end < 0) {
        if (FPending.size() > kMaxLine) Fail(QStringLiteral("a reply line is too long"));
        return false;
    }
    if (end > kMaxLine) {
        Fail(QStringLiteral("a reply line is too long"));
        return false;
    }
    line = FPending.left(end);
    if (line.endsWith('\r')) line.chop(1);
    FPending.remove(0, end + 1);
    return true;
}

QByteArray THttpResponseParser::Header(const QByteArray& lowerName) const {
    for (const auto& [name, value] : FHeaders)
        if (name == lowerName) return value;
    return {};
}

THttpResponseParser::TState THttpResponseParser::ParseHead() {
    QByteArray line;
    while (FState == stHead && TakeLine(line)) {
        if (++FLines > kMaxHeaderLines) return Fail(QStringLiteral("too many reply header lines"));
        if (FStatus == 0) {
            // "HTTP/1.x SSS reason"
            if (!line.startsWith("HTTP/1.") || line.size() < 12 || line[8] != ' ')
                return Fail(QStringLiteral("not an HTTP reply"));
            bool ok = false;
            const int status = line.mid(9, 3).toInt(&ok);
            if (!ok || status < 100 || status > 999)
                return Fail(QStringLiteral("not an HTTP reply"));
            FStatus = status;
            continue;
        }
        if (!line.isEmpty()) {
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0) continue; // a malformed line carries nothing we use
            FHeaders.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
            continue;
        }
        // End of the head. Interim replies are followed by the real one.
        if (FStatus < 200) {
            FStatus = 0;
            FHeaders.clear();
            continue;
        }
        if (FStatus == 204 || FStatus == 304) return FState = stDone;
        if (Header("transfer-encoding").toLower().contains("chunked")) return FState = stChunkSize;
        const QByteArray length = Header("content-length");
        if (length.isEmpty()) {
            FRemaining = -1;
            return FState = stBody;
        }
        bool ok = false;
        const qlonglong n = length.toLongLong(&ok);
        if (!ok || n < 0 || length.size() > 18) return Fail(QStringLiteral("bad Content-Length"));
        if (n > FMaxBody) return Fail(QStringLiteral("the reply is too large"));
        FRemaining = n;
        return FState = n == 0 ? stDone : stBody;
    }
    return FState;
}

THttpResponseParser::TState THttpResponseParser::Feed(const char* data, int64_t size,
                                                      QByteArray& body) {
    if (FState == stDone || FState == stError) return FState;
    FPending.append(data, qsizetype(size));
    QByteArray line;
    while (true) {
        switch (FState) {
        case stHead:
            if (ParseHead() == stHead) return FState;
            break;
        case stBody:
        case stChunkData: {
            if (FPending.isEmpty()) return FState;
            const int64_t have = FPending.size();
            const int64_t n = FRemaining < 0 ? have : std::min(have, FRemaining);
            if (FBodySize + n > FMaxBody) return Fail(QStringLiteral("the reply is too large"));
            body.append(FPending.constData(), qsizetype(n));
            FPending.remove(0, qsizetype(n));
            FBodySize += n;
            if (FRemaining >= 0) {
                FRemaining -= n;
                if (FRemaining == 0) FState = FState == stBody ? stDone : stChunkEnd;
            }
            break;
        }
        case stChunkSize: {
            if (!TakeLine(line)) return FState;
            const qsizetype semi = line.indexOf(';');
            const QByteArray digits = (semi < 0 ? line : line.left(semi)).trimmed();
            bool ok = false;
            const qlonglong n = digits.toLongLong(&ok, 16);
            if (!ok || n < 0 || digits.size() > 15)
                return Fail(QStringLiteral("bad chunk size in the reply"));
            if (FBodySize + n > FMaxBody) return Fail(QStringLiteral("the reply is too large"));
            FRemaining = n;
            FState = n == 0 ? stTrailer : stChunkData;
            break;
        }
        case stChunkEnd:
            if (!TakeLine(line)) return FState;
            if (!line.isEmpty()) return Fail(QStringLiteral("bad chunk end in the reply"));
            FState = stChunkSize;
            break;
        case stTrailer:
            if (!TakeLine(line)) return FState;
            if (++FLines > kMaxHeaderLines) return Fail(QStringLiteral("too many trailer lines"));
            if (line.isEmpty()) FState = stDone;
            break;
        case stDone:
        case stError:
            return FState;
        }
    }
}

THttpResponseParser::TState THttpResponseParser::Closed() {
    if (FState == stBody && FRemaining < 0) return FState = stDone;
    if (FState == stDone || FState == stError) return FState;
    return Fail(FStatus == 0
                    ? QStringLiteral("the connection closed without a reply")
                    : QStringLiteral("the connection closed before the whole reply arrived"));
}

// ---- client ------------------------------------------------------------------

THttpClient::THttpClient(QObject* parent) : QObject(parent), FTimer(new QTimer(this)) {
    FTimer->setSingleShot(true);
    connect(FTimer, &QTimer::timeout, this, [this] {
        Finish(QStringLiteral("no complete reply within %1 s").arg(TimeoutMs / 1000.0));
    });
}

THttpClient::~THttpClient() {
    DropSocket();
}

void THttpClient::Get(const QString& url, QByteArray* buffer) {
    Abort();
    FBuffer = buffer;
    FUrl = QUrl(url);
    FRedirects = 0;
    FStatus = 0;
    FError.clear();
    FLastRequest.clear();
    FBusy = true;
    ++FGeneration;
    if (TimeoutMs > 0) FTimer->start(TimeoutMs);
    Start();
}

void THttpClient::Abort() {
    if (!FBusy) return;
    FBusy = false;
    ++FGeneration;
    FTimer->stop();
    DropSocket();
    FError = QStringLiteral("cancelled");
}

void THttpClient::DropSocket() {
    if (!FSocket) return;
    FSocket->disconnect(this);
    FSocket->abort();
    FSocket->deleteLater();
    FSocket = nullptr;
}

void THttpClient::Start() {
    const QString scheme = FUrl.scheme();
    if (!FUrl.isValid() || FUrl.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        Finish(QStringLiteral("not an http or https address: %1").arg(FUrl.toString()));
        return;
    }
    FParser = THttpResponseParser(MaxBody);
    FBody.clear();
    FTunnel = false;
    FTunnelReply.clear();
    FViaProxy = !ProxyHost.trimmed().isEmpty();
    FSocket = new QSslSocket(this);
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    if (!ExtraCaCertificates.isEmpty())
        ssl.setCaCertificates(ssl.caCertificates() + ExtraCaCertificates);
    FSocket->setSslConfiguration(ssl);
    FSocket->setPeerVerifyName(FUrl.host());
    connect(FSocket, &QSslSocket::connected, this, &THttpClient::OnConnected);
    connect(FSocket, &QSslSocket::encrypted, this, &THttpClient::OnEncrypted);
    connect(FSocket, &QSslSocket::readyRead, this, &THttpClient::OnReadyRead);
    connect(FSocket, &QSslSocket::disconnected, this, &THttpClient::OnDisconnected);
    connect(FSocket, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        // The end of a close-delimited reply is handled as a disconnect.
        if (e == QAbstractSocket::RemoteHostClosedError) return;
        Finish(FSocket ? FSocket->errorString() : QStringLiteral("network error"));
    });
    const bool https = scheme == QLatin1String("https");
    if (FViaProxy) {
        bool ok = false;
        const uint port = ProxyPort.trimmed().toUInt(&ok);
        FSocket->connectToHost(ProxyHost.trimmed(), quint16(ok && port <= 65535 ? port : 80));
    } else if (https) {
        FSocket->connectToHostEncrypted(FUrl.host(), quint16(FUrl.port(443)));
    } else {
        FSocket->connectToHost(FUrl.host(), quint16(FUrl.port(80)));
    }
}

void THttpClient::OnConnected() {
    if (!FViaProxy) {
        if (FUrl.scheme() == QLatin1String("http")) SendRequest();
        return; // https: the request goes once encrypted
    }
    if (FUrl.scheme() == QLatin1String("http")) {
        SendRequest();
        return;
    }
    // https through a proxy: a tunnel first, then TLS with the server itself.
    const QByteArray authority =
        FUrl.host(QUrl::FullyEncoded).toUtf8() + ':' + QByteArray::number(FUrl.port(443));
    QByteArray connectRequest = "CONNECT " + authority + " HTTP/1.0\r\nHost: " + authority + "\r\n";
    if (!ProxyUser.isEmpty())
        connectRequest += "Proxy-Authorization: Basic " +
                          (ProxyUser + QLatin1Char(':') + ProxyPass).toUtf8().toBase64() + "\r\n";
    connectRequest += "\r\n";
    FTunnel = true;
    FSocket->write(connectRequest);
}

void THttpClient::OnEncrypted() {
    SendRequest();
}

void THttpClient::SendRequest() {
    // Inside a tunnel the proxy is out of the way: the target is the path.
    const bool absolute = FViaProxy && FUrl.scheme() == QLatin1String("http");
    FLastRequest =
        BuildHttpRequest(FUrl, UserAgent, absolute, absolute ? ProxyUser : QString(), ProxyPass);
    FSocket->write(FLastRequest);
}

bool THttpClient::HandleTunnelReply() {
    FTunnelReply += FSocket->readAll();
    const qsizetype end = FTunnelReply.indexOf("\r\n\r\n");
    if (end < 0) {
        if (FTunnelReply.size() > kMaxLine) Finish(QStringLiteral("bad reply from the proxy"));
        return false;
    }
    const QByteArray status = FTunnelReply.left(FTunnelReply.indexOf("\r\n"));
    const QList<QByteArray> parts = status.split(' ');
    if (parts.size() < 2 || !parts[0].startsWith("HTTP/1.") || !parts[1].startsWith('2')) {
        Finish(QStringLiteral("the proxy refused the connection: %1")
                   .arg(QString::fromLatin1(status.left(200))));
        return false;
    }
    FTunnel = false;
    FSocket->startClientEncryption();
    return true;
}

bool THttpClient::Redirect() {
    const QByteArray location = FParser.Header("location");
    if (!IsRedirect(FParser.Status()) || location.isEmpty()) return false;
    if (++FRedirects > kMaxRedirects) {
        FStatus = FParser.Status();
        Finish(QStringLiteral("too many redirects"));
        return true;
    }
    const QUrl next = FUrl.resolved(QUrl::fromEncoded(location));
    DropSocket();
    FUrl = next;
    Start();
    return true;
}

void THttpClient::OnReadyRead() {
    if (!FSocket) return;
    if (FTunnel) {
        HandleTunnelReply();
        return;
    }
    const QByteArray data = FSocket->readAll();
    const auto state = FParser.Feed(data.constData(), data.size(), FBody);
    if (state == THttpResponseParser::stError) {
        Finish(FParser.Error());
        return;
    }
    if (FParser.HeadDone()) {
        FStatus = FParser.Status();
        if (Redirect()) return;
        if (FBuffer) FBuffer->append(FBody);
        FBody.clear();
    }
    if (state == THttpResponseParser::stDone) Finish(QString());
}

void THttpClient::OnDisconnected() {
    if (!FBusy) return;
    if (FTunnel) {
        Finish(QStringLiteral("the proxy closed the connection"));
        return;
    }
    if (FSocket && FSocket->bytesAvailable() > 0) OnReadyRead();
    if (!FBusy) return;
    const auto state = FParser.Closed();
    if (FParser.HeadDone() && FBuffer) FBuffer->append(FBody);
    FBody.clear();
    Finish(state == THttpResponseParser::stDone ? QString() : FParser.Error());
}

void THttpClient::Finish(const QString& error) {
    if (!FBusy) return;
    FBusy = false;
    FTimer->stop();
    FError = error;
    if (FStatus == 0) FStatus = FParser.Status();
    DropSocket();
    const int generation = FGeneration;
    QTimer::singleShot(0, this, [this, generation] {
        if (generation == FGeneration) emit Done();
    });
}

bool RunHttpGet(THttpClient& client, const QString& url, QByteArray& buffer, int delayMs,
                const std::function<bool()>& cancelled) {
    QEventLoop loop;
    QTimer poll;
    bool stopped = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (cancelled && cancelled()) {
            stopped = true;
            client.Abort();
            loop.quit();
        }
    });
    poll.start(50);
    if (delayMs > 0) {
        QTimer::singleShot(delayMs, &loop, &QEventLoop::quit);
        loop.exec();
        if (stopped) return false;
    }
    QObject::connect(&client, &THttpClient::Done, &loop, &QEventLoop::quit);
    client.Get(url, &buffer);
    loop.exec();
    QObject::disconnect(&client, &THttpClient::Done, &loop, nullptr);
    return !stopped;
}

#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <functional>

class QSslSocket;
class QTimer;

// The fixed header values of every request.
inline const QByteArray kHttpAccept = QByteArrayLiteral("image/gif, image/x-xbitmap, image/jpeg, "
                                                        "image/pjpeg, */*");
inline const QString kHttpDefaultUserAgent = QStringLiteral("Mozilla/3.0 (compatible)");

// The bytes of one GET: request line, Accept, User-Agent, Host and, through a proxy with
// a user name, Proxy-Authorization. Through a proxy the target is the absolute URL.
QByteArray BuildHttpRequest(const QUrl& url, const QString& userAgent, bool viaProxy,
                            const QString& proxyUser = QString(),
                            const QString& proxyPass = QString());

// Reads one HTTP/1.x response from the bytes of a connection, as they arrive. Every
// length is checked before use: a reply that does not fit the limits is an error, never
// an allocation.
class THttpResponseParser {
public:
    enum TState {
        stHead,
        stBody,
        stChunkSize,
        stChunkData,
        stChunkEnd,
        stTrailer,
        stDone,
        stError
    };

    explicit THttpResponseParser(int64_t maxBody = 64 << 20) : FMaxBody(maxBody) {}
    // Consumes `data`; body bytes are appended to `body`. Returns the state afterwards.
    TState Feed(const char* data, int64_t size, QByteArray& body);
    // The connection closed: a close-delimited body ends here, any other state is cut.
    TState Closed();

    TState State() const { return FState; }
    int Status() const { return FStatus; }
    QByteArray Header(const QByteArray& lowerName) const;
    QString Error() const { return FError; }
    // The head is complete (status and headers known).
    bool HeadDone() const { return FStatus != 0 && FState != stHead && FState != stError; }

private:
    TState Fail(const QString& why);
    bool TakeLine(QByteArray& line);
    TState ParseHead();

    TState FState = stHead;
    int FStatus = 0;
    QList<QPair<QByteArray, QByteArray>> FHeaders;
    QByteArray FPending;     // bytes not yet consumed (head lines, chunk lines)
    int64_t FRemaining = -1; // body or chunk bytes still to come; -1 until the close
    int64_t FBodySize = 0;
    int64_t FMaxBody;
    int FLines = 0;
    QString FError;
};

// An asynchronous HTTP/1.0 GET into a caller-owned buffer, over a TCP or TLS socket, with
// an optional proxy (a CONNECT tunnel for https). Follows up to five redirects. Done is
// emitted once per Get, from the event loop, whatever the outcome; Abort emits nothing.
class THttpClient : public QObject {
    Q_OBJECT
public:
    explicit THttpClient(QObject* parent = nullptr);
    ~THttpClient() override;

    QString ProxyHost;
    QString ProxyPort = QStringLiteral("80");
    QString ProxyUser;
    QString ProxyPass;
    QString UserAgent = kHttpDefaultUserAgent;
    // Trusted besides the system's certificates (a test server's own).
    QList<QSslCertificate> ExtraCaCertificates;
    int TimeoutMs = 0; // whole transfer; 0: none
    int64_t MaxBody = 64 << 20;

    void Get(const QString& url, QByteArray* buffer);
    // Stops a request at once; does nothing when idle.
    void Abort();

    bool Busy() const { return FBusy; }
    // Of the last request: the HTTP status (0 when none arrived), what went wrong (empty
    // when the reply arrived whole), the URL finally asked and the bytes of its request.
    int Status() const { return FStatus; }
    QString ErrorText() const { return FError; }
    QString FinalUrl() const { return FUrl.toString(); }
    QByteArray LastRequest() const { return FLastRequest; }

signals:
    void Done();

private:
    void Start();
    void Finish(const QString& error);
    void OnConnected();
    void OnEncrypted();
    void OnReadyRead();
    void OnDisconnected();
    void SendRequest();
    bool HandleTunnelReply();
    bool Redirect();
    void DropSocket();

    QPointer<QSslSocket> FSocket;
    QTimer* FTimer;
    QByteArray* FBuffer = nullptr;
    QUrl FUrl;
    bool FBusy = false;
    bool FViaProxy = false;
    bool FTunnel = false; // waiting for the proxy's answer to CONNECT
    QByteArray FTunnelReply;
    THttpResponseParser FParser;
    QByteArray FBody; // body of the response being read (a redirect's is dropped)
    int FRedirects = 0;
    int FGeneration = 0; // a Done queued before an Abort or a new Get is dropped
    int FStatus = 0;
    QString FError;
    QByteArray FLastRequest;
};

// Runs one GET to its end while the event loop turns; `cancelled` (checked every 50 ms)
// aborts it. Waits `delayMs` first (a service's request rate). Returns false when
// cancelled.
bool RunHttpGet(THttpClient& client, const QString& url, QByteArray& buffer, int delayMs = 0,
                const std::function<bool()>& cancelled = nullptr);

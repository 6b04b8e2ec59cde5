#pragma once
// A server on 127.0.0.1, in a thread of its own, that answers each request with a reply
// the test wrote: tests never reach the network. Optionally speaks TLS with a
// self-signed certificate that the client is told to trust.

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QSslCertificate>
#include <QString>
#include <QThread>
#include <functional>

struct TReplay {
    QByteArray Bytes;
    // Close: the server closes after the reply. Hold: the connection stays open (a body
    // that never ends). Cut: the server drops the connection right after the bytes.
    // Tunnel: the answer to a proxy's CONNECT; TLS starts and the next request follows.
    enum TEnd { Close, Hold, Cut, Tunnel } End = Close;
};

class TReplayServer {
public:
    using THandler = std::function<TReplay(const QByteArray& requestHead)>;
    explicit TReplayServer(THandler handler, bool tls = false);
    ~TReplayServer();

    quint16 Port() const { return FPort; }
    // "http://127.0.0.1:PORT" + path (https with TLS).
    QString Url(const QString& path = QString()) const;
    // Request heads in arrival order.
    QList<QByteArray> Requests() const;

    static QSslCertificate Certificate();

    // Reply helpers: a 200 reply with Content-Length, and the head alone.
    static QByteArray Ok(const QByteArray& body, const QByteArray& type = "text/plain");

private:
    friend class TReplayWorker;
    THandler FHandler;
    bool FTls;
    quint16 FPort = 0;
    QThread FThread;
    mutable QMutex FLock;
    QList<QByteArray> FRequests;
};

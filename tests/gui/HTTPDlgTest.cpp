#include "gui/HTTPDlg.h"
#include "GuiMain.h"
#include "support/ReplayServer.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

TEST(HTTPDlg, CancelKeepsTheBytesReceived) {
    TestApp();
    TReplayServer server([](const QByteArray&) {
        return TReplay{"HTTP/1.0 200 OK\r\n\r\nsome bytes", TReplay::Hold};
    });
    THTTPDlg dlg;
    QByteArray buffer;
    dlg.URL = server.Url(QStringLiteral("/"));
    dlg.Buffer = &buffer;
    // Stale proxy values are not used while the proxy flag is off.
    dlg.ProxyHost = QStringLiteral("proxy.invalid");
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Transfer in progress..."));
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (buffer.isEmpty()) return;
        if (dlg.isVisible()) dlg.cancel_btn->click();
    });
    poll.start(20);
    EXPECT_FALSE(dlg.ExecuteTransfer());
    EXPECT_EQ(buffer, QByteArray("some bytes"));
    EXPECT_EQ(server.Requests().size(), 1);
}

TEST(HTTPDlg, ARequestRunsToItsEndWhateverTheOutcome) {
    TestApp();
    TReplayServer server(
        [](const QByteArray&) { return TReplay{"HTTP/1.0 404 Not Found\r\n\r\ngone"}; });
    THTTPDlg dlg;
    QByteArray buffer;
    dlg.URL = server.Url(QStringLiteral("/"));
    dlg.Buffer = &buffer;
    EXPECT_TRUE(dlg.ExecuteTransfer());
    EXPECT_EQ(buffer, QByteArray("gone"));
    EXPECT_EQ(dlg.prog_lbl->text(), QStringLiteral("Bytes Received : 4"));
}

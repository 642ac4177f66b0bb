#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace tamsenor::testing {

// Lets the event loop run until `done()` holds or the time runs out; returns
// whether it held. The limit only keeps a broken test from hanging.
template <typename Predicate> bool waitUntil(Predicate done, int limitMs = 20000)
{
    QDeadlineTimer deadline(limitMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Lets the event loop run for a while, to give anything that should NOT happen
// the chance to happen.
inline void settle(int ms = 300)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
}

// A directory of small local pages.
class PageDir {
public:
    PageDir() { EXPECT_TRUE(dir_.isValid()); }

    // Writes an HTML page with the given title; returns its full path.
    QString page(const QString& name, const QString& title)
    {
        const QString path = dir_.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                                  "<body><p>%1</p></body></html>")
                       .arg(title)
                       .toUtf8());
        return path;
    }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// An HTTP server on the loopback interface that accepts requests and answers
// none of them until told, so that a page stays loading as long as a test
// needs. Nothing leaves the machine.
class StallingServer {
public:
    StallingServer()
    {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost));
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                held_.append(socket);
        });
    }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(server_.serverPort()).arg(path);
    }
    // Answers every held request with a page of the given title.
    void answerAll(const QString& title)
    {
        for (QTcpSocket* socket : held_) {
            socket->write(QStringLiteral("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
                                         "<html><head><title>%1</title></head><body></body></html>")
                              .arg(title)
                              .toUtf8());
            socket->disconnectFromHost();
        }
        held_.clear();
    }

private:
    QTcpServer server_;
    QList<QTcpSocket*> held_;
};

} // namespace tamsenor::testing

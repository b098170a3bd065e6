#pragma once
// A private D-Bus daemon and a fake service on it that owns the names it is given and answers
// every method call with an empty reply, recording "path interface.member". The
// service runs on its own thread, so the code under test may make blocking calls.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QSemaphore>
#include <QStandardPaths>
#include <QThread>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vintrel::test {

class FakeBus {
public:
    // An empty address when no dbus-daemon can be started here.
    FakeBus() {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) return;
        daemon_.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--nopidfile", "--print-address"});
        if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000)) return;
        address_ = daemon_.readLine().trimmed().toStdString();
    }
    ~FakeBus() {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
    const std::string& address() const { return address_; }

private:
    QProcess daemon_;
    std::string address_;
};

class FakeService {
public:
    // The arguments of the reply to a call; none by default.
    using Answer = std::function<QVariantList(const QDBusMessage&)>;

    FakeService(const std::string& address, std::vector<std::string> names, Answer answer = {})
        : answer_(std::move(answer)), thread_(address, std::move(names), calls_, mutex_, answer_) {
        thread_.start();
        thread_.ready.acquire();
    }
    ~FakeService() {
        thread_.quit();
        thread_.wait();
    }
    std::vector<std::string> calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    class Recorder : public QDBusVirtualObject {
    public:
        Recorder(std::vector<std::string>& calls, std::mutex& mutex, const Answer& answer)
            : calls_(calls), mutex_(mutex), answer_(answer) {}
        bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
            {
                std::lock_guard lock(mutex_);
                calls_.push_back((message.path() + " " + message.interface() + "." + message.member()).toStdString());
            }
            connection.send(message.createReply(answer_ ? answer_(message) : QVariantList()));
            return true;
        }
        QString introspect(const QString&) const override { return {}; }

    private:
        std::vector<std::string>& calls_;
        std::mutex& mutex_;
        const Answer& answer_;
    };

    class Thread : public QThread {
    public:
        Thread(std::string address, std::vector<std::string> names, std::vector<std::string>& calls,
               std::mutex& mutex, const Answer& answer)
            : address_(std::move(address)), names_(std::move(names)), calls_(calls), mutex_(mutex), answer_(answer) {}
        QSemaphore ready;

    protected:
        void run() override {
            const QString name = QStringLiteral("fake-service-%1").arg(reinterpret_cast<quintptr>(this));
            {
                QDBusConnection bus = QDBusConnection::connectToBus(QString::fromStdString(address_), name);
                Recorder recorder(calls_, mutex_, answer_);
                for (const auto& owned : names_) bus.registerService(QString::fromStdString(owned));
                bus.registerVirtualObject(QStringLiteral("/"), &recorder, QDBusConnection::SubPath);
                ready.release();
                exec();
                bus.unregisterObject(QStringLiteral("/"), QDBusConnection::UnregisterTree);
            }
            QDBusConnection::disconnectFromBus(name);
        }

    private:
        std::string address_;
        std::vector<std::string> names_;
        std::vector<std::string>& calls_;
        std::mutex& mutex_;
        const Answer& answer_;
    };

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    Answer answer_;
    Thread thread_;
};

}  // namespace vintrel::test

// A desktop notification service for tests: takes the name org.freedesktop.Notifications on the
// session bus (DBUS_SESSION_BUS_ADDRESS) and appends every Notify call to the file given as its
// argument, one line "app<TAB>summary<TAB>body<TAB>icon" with line breaks in the body as "\n".
// Prints "ready" once it holds the name; runs until it is terminated.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

class Recorder : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    explicit Recorder(QString path) : path_(std::move(path)) {}

  public slots:
    QStringList GetCapabilities() { return {"body", "body-markup"}; }
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        QFile f(path_);
        if (f.open(QIODevice::Append)) {
            QString b = body;
            f.write((app + "\t" + summary + "\t" + b.replace("\n", "\\n") + "\t" + icon + "\n").toUtf8());
        }
        return ++id_;
    }
    void CloseNotification(uint) {}
    QString GetServerInformation(QString& vendor, QString& version, QString& spec) {
        vendor = "tests";
        version = "1";
        spec = "1.2";
        return "notification_recorder";
    }

  private:
    QString path_;
    uint id_ = 0;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) return 2;
    Recorder recorder(QString::fromLocal8Bit(argv[1]));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.registerObject("/org/freedesktop/Notifications", &recorder, QDBusConnection::ExportAllSlots) ||
        !bus.registerService("org.freedesktop.Notifications")) {
        std::fprintf(stderr, "notification_recorder: cannot take the name\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "notification_recorder.moc"

#include "platform/desktop_notifications.h"

#include "platform/graphics/gui_application.h"
#include "platform/qt/text_decoding.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace vx {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
// A service that does not answer must not hold up the host thread for long.
constexpr int kCallTimeoutMs = 2000;

QString decoded(const std::string& s) {
    return decodeDrawnText(s.data(), s.size());
}

// A session bus is named in the environment or listens at the user's runtime folder; without
// either, Qt's connection thread is not started only to fail.
bool sessionBusNamed() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    return runtime && *runtime && ::stat((std::string(runtime) + "/bus").c_str(), &st) == 0 &&
           S_ISSOCK(st.st_mode);
}

// Null when there is no session bus.
bool sessionBus(QDBusConnection& bus, std::string& reason) {
    if (!sessionBusNamed()) {
        reason = "no session bus: DBUS_SESSION_BUS_ADDRESS is not set";
        return false;
    }
    ensureGuiApplication(); // the bus connection wants an application object
    bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) return true;
    reason = "no session bus: " + bus.lastError().message().toStdString();
    return false;
}

bool serviceOnBus(QDBusConnection& bus, std::string& reason) {
    QDBusConnectionInterface* iface = bus.interface();
    if (!iface) {
        reason = "the session bus has no bus interface";
        return false;
    }
    const QDBusReply<bool> running = iface->isServiceRegistered(kService);
    if (running.isValid() && running.value()) return true;
    const QDBusReply<QStringList> activatable = iface->activatableServiceNames();
    if (activatable.isValid() && activatable.value().contains(kService)) return true;
    reason = "no notification service on the session bus";
    return false;
}

QString escapedMarkup(QString text) {
    return text.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
}

} // namespace

bool desktopNotificationServiceReady(std::string& reason) {
    QDBusConnection bus(QString{});
    return sessionBus(bus, reason) && serviceOnBus(bus, reason);
}

DesktopNoticeResult showDesktopNotice(const std::string& appName, const std::string& summary,
                                      const std::string& body, const std::string& iconPath,
                                      std::string& reason) {
    QDBusConnection bus(QString{});
    if (!sessionBus(bus, reason)) return DesktopNoticeResult::NoBus;
    if (!serviceOnBus(bus, reason)) return DesktopNoticeResult::NoService;

    // A service that reads markup in the body would take a name's "<" for a tag.
    QString text = decoded(body);
    QDBusMessage caps = bus.call(QDBusMessage::createMethodCall(kService, kPath, kService, "GetCapabilities"),
                                 QDBus::Block, kCallTimeoutMs);
    if (caps.type() == QDBusMessage::ReplyMessage && !caps.arguments().isEmpty() &&
        caps.arguments().first().toStringList().contains("body-markup"))
        text = escapedMarkup(text);

    const QString icon = iconPath.empty() ? QString() : QUrl::fromLocalFile(decoded(iconPath)).toString();
    QVariantMap hints;
    if (!iconPath.empty()) hints.insert("image-path", icon);
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "Notify");
    call << decoded(appName) << static_cast<uint>(0) << icon << decoded(summary) << text << QStringList()
         << hints << static_cast<int>(-1);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        reason = "the notification service refused the notice: " + reply.errorMessage().toStdString();
        return DesktopNoticeResult::Failed;
    }
    return DesktopNoticeResult::Shown;
}

} // namespace vx

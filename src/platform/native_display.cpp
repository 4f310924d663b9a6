#include "platform/native_display.h"

#include <QGuiApplication>
#include <qpa/qplatformnativeinterface.h>

namespace platform {

// Qt 6.4 exposes the Wayland connection only through its platform interface.
void* waylandDisplay() {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return nullptr;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    return native ? native->nativeResourceForIntegration("wl_display") : nullptr;
}

} // namespace platform

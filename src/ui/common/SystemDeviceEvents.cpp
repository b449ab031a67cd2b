#include <QCoreApplication>

#include "ui/common/DeviceEvents.h"

#ifdef _WIN32
#include <QAbstractNativeEventFilter>
#include <windows.h>
#else
#include <QSocketNotifier>

#include "platform/DeviceWatch.h"
#endif

namespace q17::ui {
namespace {

#ifdef _WIN32
// Windows tells every top-level window of ports arriving and leaving and of
// any change in the device tree (DBT_DEVNODES_CHANGED), which covers an FTDI
// adapter too; the message arrives at the main window, so a filter on the
// application hears it.
constexpr WPARAM kDeviceArrival = 0x8000;         // DBT_DEVICEARRIVAL
constexpr WPARAM kDeviceRemoveComplete = 0x8004;  // DBT_DEVICEREMOVECOMPLETE
constexpr WPARAM kDevNodesChanged = 0x0007;       // DBT_DEVNODES_CHANGED

class TWindowsDeviceEvents final : public TDeviceEvents, public QAbstractNativeEventFilter {
 public:
  TWindowsDeviceEvents() { QCoreApplication::instance()->installNativeEventFilter(this); }
  ~TWindowsDeviceEvents() override {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
  }
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override {
    (void)result;
    if (type != "windows_generic_MSG") return false;
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_DEVICECHANGE &&
        (msg->wParam == kDeviceArrival || msg->wParam == kDeviceRemoveComplete || msg->wParam == kDevNodesChanged))
      Announce();
    return false;
  }
};
#else
class TUdevDeviceEvents final : public TDeviceEvents {
 public:
  explicit TUdevDeviceEvents(std::unique_ptr<DeviceWatch> watch) : FWatch(std::move(watch)) {
    if (!FWatch) return;
    FNotifier = new QSocketNotifier(FWatch->Descriptor(), QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] {
      if (FWatch->TakeNews()) Announce();
    });
  }

 private:
  std::unique_ptr<DeviceWatch> FWatch;
  QSocketNotifier* FNotifier = nullptr;
};
#endif

}  // namespace

std::unique_ptr<TDeviceEvents> MakeSystemDeviceEvents() {
#ifdef _WIN32
  return std::make_unique<TWindowsDeviceEvents>();
#else
  return std::make_unique<TUdevDeviceEvents>(MakeSystemDeviceWatch());
#endif
}

}  // namespace q17::ui

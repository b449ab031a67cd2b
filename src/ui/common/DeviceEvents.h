#pragma once
// Devices coming and going, as the windows hear of it: the system's news
// (udev on Linux, WM_DEVICECHANGE on Windows) or, in a test, Announce.
#include <QObject>
#include <memory>

namespace q17::ui {

class TDeviceEvents : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  // A serial device or a reader's adapter appeared or went.
  void Announce() { emit DevicesChanged(); }

 signals:
  void DevicesChanged();
};

// The system's news; a source that hears nothing where the system has no
// watch to offer (the refresh button still works).
std::unique_ptr<TDeviceEvents> MakeSystemDeviceEvents();

}  // namespace q17::ui

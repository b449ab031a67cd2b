#include "link/OpenFailureText.h"

namespace q17 {

std::string ExplainOpenFailure(const TInterfList& list) {
  const TOpenFailure& failure = list.LastOpenFailure();
  const std::string& detail = failure.Detail;
  const std::string why = detail.empty() ? "" : " (" + detail + ")";
  switch (failure.Reason) {
    case OpenFailure::None:
      return {};
    case OpenFailure::NoDevice:
      return "no such device; is the adapter plugged in? 'q17ctl ports' lists what is there";
    case OpenFailure::PermissionDenied: {
      const std::string& group = failure.Group;
      if (group.empty()) return "permission denied; ask for access to the device" + why;
      return "permission denied; members of the group '" + group + "' may open it: 'sudo usermod -aG " + group +
             " $USER', then log in again";
    }
    case OpenFailure::Busy: {
      const std::string& holder = failure.Holder;
      return "in use by another program" + (holder.empty() ? "" : " (" + holder + ")") +
             "; close it and try again";
    }
    case OpenFailure::NotSerial:
      return "not a serial port";
    case OpenFailure::NoAnswer:
      return "сервер не отвечает" + why;
    case OpenFailure::Refused:
      return "соединение отклонено" + why;
    case OpenFailure::ServerBusy:
      return "порт занят другим клиентом" + why;
    case OpenFailure::NoComPortControl:
      return "the server does not take RFC 2217 port settings" + why;
    case OpenFailure::Other:
      break;
  }
  return "the port could not be opened" + why;
}

const char* DeviceGoneExplanation() {
  return "the port's device has gone (unplugged?); plug it in again and 'q17ctl ports' lists it";
}

const char* DeviceGoneExplanation(const TInterfList& list) {
  if (list.IsNetworkPort(list.OpenIndex())) {
    return "the connection to the serial server was lost; once the server is back, run the command again";
  }
  return DeviceGoneExplanation();
}

const char* DeviceGoneStatusText() { return "Устройство отключено"; }

}  // namespace q17

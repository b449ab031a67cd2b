#include "link/OpenFailureText.h"

#include "link/TranslateNoop.h"

namespace q17 {
namespace {

// The English explanation as it stands: q17ctl's words in every language.
std::string EnglishWords(const TOpenFailure& failure, const std::string& why) {
  switch (failure.Reason) {
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
    case OpenFailure::NoComPortControl:
      return "the server does not take RFC 2217 port settings" + why;
    default:
      break;
  }
  return "the port could not be opened" + why;
}

// A network serial server's answer, in the words of its users.
const char* ServerWords(OpenFailure reason) {
  switch (reason) {
    case OpenFailure::NoAnswer:
      return QT_TRANSLATE_NOOP("OpenFailureText", "сервер не отвечает");
    case OpenFailure::Refused:
      return QT_TRANSLATE_NOOP("OpenFailureText", "соединение отклонено");
    case OpenFailure::ServerBusy:
      return QT_TRANSLATE_NOOP("OpenFailureText", "порт занят другим клиентом");
    default:
      return nullptr;
  }
}

}  // namespace

TShownText OpenFailureWords(const TInterfList& list) {
  const TOpenFailure& failure = list.LastOpenFailure();
  const std::string& detail = failure.Detail;
  const std::string why = detail.empty() ? "" : " (" + detail + ")";
  if (failure.Reason == OpenFailure::None) return TShownText::Plain({});
  if (const char* words = ServerWords(failure.Reason))
    return TShownText::Joined({TShownText::Marked("OpenFailureText", words), TShownText::Plain(why)});
  return TShownText::Plain(EnglishWords(failure, why));
}

std::string ExplainOpenFailure(const TInterfList& list) { return ComposeText(OpenFailureWords(list)); }

const char* DeviceGoneExplanation() {
  return "the port's device has gone (unplugged?); plug it in again and 'q17ctl ports' lists it";
}

const char* DeviceGoneExplanation(const TInterfList& list) {
  if (list.IsNetworkPort(list.OpenIndex())) {
    return "the connection to the serial server was lost; once the server is back, run the command again";
  }
  return DeviceGoneExplanation();
}

const char* DeviceGoneStatusText() { return QT_TRANSLATE_NOOP("OpenFailureText", "Устройство отключено"); }

}  // namespace q17

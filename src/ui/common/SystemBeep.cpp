#include "ui/common/SystemBeep.h"

#include <QApplication>

#ifdef _WIN32
#include <windows.h>
#elif defined(Q17_HAVE_CANBERRA)
#include <canberra.h>
#endif

namespace q17::ui {

TSystemBeep::TSystemBeep() {
#if !defined(_WIN32) && defined(Q17_HAVE_CANBERRA)
  ca_context* context = nullptr;
  if (ca_context_create(&context) == CA_SUCCESS) {
    ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "SetupQ17", CA_PROP_APPLICATION_ID, "SetupQ17",
                            nullptr);
    FContext = context;
  }
#endif
}

TSystemBeep::~TSystemBeep() {
#if !defined(_WIN32) && defined(Q17_HAVE_CANBERRA)
  if (FContext) ca_context_destroy(static_cast<ca_context*>(FContext));
#endif
}

void TSystemBeep::Beep() {
#ifdef _WIN32
  MessageBeep(0);
#else
#ifdef Q17_HAVE_CANBERRA
  // The theme's "message" sound (a short, distinct chime in most themes);
  // "bell" where the theme has none. Id 0: each beep may overlap the last.
  if (FContext) {
    auto* context = static_cast<ca_context*>(FContext);
    int r = ca_context_play(context, 0, CA_PROP_EVENT_ID, "message-new-instant", CA_PROP_EVENT_DESCRIPTION,
                            "Tag in the read zone", nullptr);
    if (r == CA_ERROR_NOTFOUND) r = ca_context_play(context, 0, CA_PROP_EVENT_ID, "bell", nullptr);
    if (r == CA_SUCCESS) return;
    // Neither sound (no theme, no device or no sound server): stop asking,
    // as each try may log, and use the toolkit's beep from now on.
    ca_context_destroy(context);
    FContext = nullptr;
  }
#endif
  QApplication::beep();
#endif
}

}  // namespace q17::ui

#include "ui/skin_resources.h"

#include <QtCore/QtGlobal>
#include <mutex>

#ifdef ORVIK_HAVE_SKIN
// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterSkin() { Q_INIT_RESOURCE(skin); }
#else
static void RegisterSkin() {}
#endif

namespace orvik::ui {

void InitSkinResources() {
  static std::once_flag once;
  std::call_once(once, RegisterSkin);
}

bool SkinBuiltIn() {
#ifdef ORVIK_HAVE_SKIN
  return true;
#else
  return false;
#endif
}

}  // namespace orvik::ui

#include "core/settings.h"

namespace core {

Settings g_settings;

}  // namespace core

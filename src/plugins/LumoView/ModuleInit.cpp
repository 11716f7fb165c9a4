// Module-wide set-up made when the plug-in library is loaded, before any of
// its classes is used.
#include "XmlSettings.h"

#include <QtGlobal>

static void initLumoViewModule()
{
    registerXmlSettingsFormat();
    // The module's pictures, kept in the static core library.
    Q_INIT_RESOURCE(LumoView);
    Q_INIT_RESOURCE(lumoview_i18n);
}

Q_CONSTRUCTOR_FUNCTION(initLumoViewModule)

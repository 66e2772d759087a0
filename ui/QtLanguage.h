// Qt's own texts (the buttons of message boxes, the file dialogs, the context menus of text
// fields) in the program's language, whatever the system's locale: a Chinese program must not
// show "OK", "Open" or "Look in:".
#pragma once

class QCoreApplication;

namespace Calvorn {

// Loads Qt's Simplified Chinese translation (qtbase_zh_CN from Qt's translations folder) into
// `application` and makes Chinese (China) the default locale. False when the translation is
// not installed; Qt's texts then stay English.
bool UseChineseQtTexts(QCoreApplication& application);

}  // namespace Calvorn

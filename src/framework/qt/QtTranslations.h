#pragma once

class QTranslator;

namespace slabcal {

// Loads Qt's own translations (qtbase_*.qm from Qt's translations folder) into the application, so that
// the standard buttons of the boxes ("Yes"/"No") speak the operator's language: the default locale's (the
// system's unless set) when Qt has a translation for it, else Simplified Chinese, the language of every
// text of the dialog. Returns the translator installed, owned by the application, or null when none could
// be loaded (the buttons then stay English). Needs a QCoreApplication.
QTranslator* InstallQtTranslations();

} // namespace slabcal

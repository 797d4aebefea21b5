#pragma once
// Qt's own texts (file dialogs, message box buttons, the panes' context menus) in Russian, to
// match the window, whatever the user's locale.

class QCoreApplication;

namespace ovalon {

/// Installs Qt's Russian translations from Qt's translations folder (Debian's
/// qt6-translations-l10n) into `application`. False when they are not installed; Qt then
/// speaks English.
bool InstallRussianQtTranslations(QCoreApplication& application);

}  // namespace ovalon

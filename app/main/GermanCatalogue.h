#pragma once
// Qt's own texts in German (context menus, standard buttons), to match the German window.
//
// Installs Qt's German catalogue "qtbase_de" from Qt's translations folder into the running
// application; the translator lives as long as the application. Returns false, and changes
// nothing, when the catalogue cannot be loaded: Qt's texts then stay English. GUI thread,
// after the application object exists.

bool InstallQtGermanCatalogue();

#pragma once
// Sets up the application (Spanish Qt texts), runs the start-up and the menu.
// alMostrar, when given, runs once the menu is on screen (for measurements).
#include <functional>

// Qt's own texts in Spanish whatever the system's language, those its
// translation lacks included; Spanish (Argentina) as the default locale.
void InstaloTraducciones();

// TERV's icon on its windows, and the name of its desktop file for the desktop
// to find the rest (the task bar's icon and name).
void InstaloIdentidad();

int ArrancoTerv(int argc, char** argv, const std::function<void()>& alMostrar = {});

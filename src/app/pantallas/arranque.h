#pragma once
// Sets up the application (Spanish Qt texts), runs the start-up and the menu.
// alMostrar, when given, runs once the menu is on screen (for measurements).
#include <functional>

// Qt's own texts in Spanish whatever the system's language, those its
// translation lacks included; Spanish (Argentina) as the default locale.
void InstaloTraducciones();

int ArrancoTerv(int argc, char** argv, const std::function<void()>& alMostrar = {});

#pragma once
// Sets up the application (Spanish Qt texts), runs the start-up and the menu.
// alMostrar, when given, runs once the menu is on screen (for measurements).
#include <functional>

int ArrancoTerv(int argc, char** argv, const std::function<void()>& alMostrar = {});

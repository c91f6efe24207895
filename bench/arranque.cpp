// The utility's whole start-up (INI file, size query, menu) and then out, as
// soon as the menu is on screen.
#include "app/pantallas/arranque.h"

#include <QApplication>

int main(int argc, char** argv)
{
    return ArrancoTerv(argc, argv, [] { QApplication::quit(); });
}

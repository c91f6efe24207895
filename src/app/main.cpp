#include "app/pantallas/arranque.h"

int main(int argc, char** argv)
{
    return ArrancoTerv(argc, argv);
}

#pragma once
// terv-cli integrar: the operator's Nautilus scripts (Nautilus reads no
// installed action files, only each user's scripts folder).
#include <QStringList>

// args: "terv-cli integrar" and its options. Returns the exit code.
int IntegroNautilus(const QStringList& args);

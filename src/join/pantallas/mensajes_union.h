#pragma once
// The boxes the join screen shows for a set and for the outcome of a join.
#include "join/union.h"
#include "system/pantallas/dialogos.h"

Mensaje MensajeSinParticiones();
Mensaje MensajeFaltanParticiones(RechazoUnion rechazo = RechazoUnion::Ninguno, int numero = 0);
// An empty origin (true) or destination folder box.
Mensaje MensajeFaltaCarpeta(bool origen);
// The questions asked while the join runs; both default to No.
Mensaje MensajeConservoDanado(const QList<int>& danadas);
Mensaje MensajeReemplazoDanado(const QString& destino);
// The closing box of a delivered join: plain, or saying the file is damaged.
Mensaje MensajeUnionTerminada(const ResultadoUnion& r);
// A failed run: its own description first, then the fixed text.
QList<Mensaje> MensajesFallaUnion(const Falla& falla);
// The status line of a stage, and of how the join ended.
QString TextoPasoUnion(int paso);
QString TextoFinUnion(const ResultadoUnion& r);

#pragma once
// The boxes the split screens show for a plan and for its outcome.
#include "partition/particionado.h"
#include "system/pantallas/dialogos.h"

Mensaje MensajeRechazo(RechazoParticion rechazo);
Mensaje MensajeConfirmacion(const PlanParticion& plan);
Mensaje MensajeParticionesGeneradas();
// The message of a failed run: the file-already-exists case, a cancel, or
// the generic one with its cause on a second line.
Mensaje ManejoErrores(const Falla& falla);

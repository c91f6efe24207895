#pragma once
// Helpers of the screen tests: a scripted operator in a context of its own.
#include "soporte/datos.h"
#include "soporte/dialogos_guion.h"
#include "system/pantallas/contexto.h"

// A clock the test sets; today unless told.
struct RelojFijo : Reloj {
    QDate fecha = QDate::currentDate();
    QDate hoy() const override { return fecha; }
};

// A context with a scripted operator and a clock of its own.
struct Escenario {
    DialogosGuion dialogos;
    RelojFijo reloj;
    QTemporaryDir carpeta;
    Contexto ctx{dialogos, reloj};
    Escenario();
};

// RutaIni with this content, readable by root alone: after seteuid(65534) it
// cannot be read.
void PreparoIniIlegible(const QByteArray& contenido);

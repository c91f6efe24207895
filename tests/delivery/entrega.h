#pragma once
// A received delivery as an operator gets it: good, damaged, unstamped and
// unreadable files, a partial partition set and a subfolder.
#include "join/juegos.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>

struct Entrega {
    QTemporaryDir d;
    QString raiz = d.path();
    QString bueno, malo, suelto, sinPunto, enlace, fifo, sub;
    QStringList juego; // partitions 001 and 003 of 3, 003 damaged
    QByteArray contenidoMalo = Datos(5000, 7);

    Entrega()
    {
        const QByteArray b = Datos(3000, 1);
        bueno = EscriboArchivo(d.filePath(QStringLiteral("bueno_") + HashDe(b) + QStringLiteral(".zip")), b);
        // Stamped with the hash of other bytes: the content changed after stamping.
        malo = EscriboArchivo(
            d.filePath(QStringLiteral("malo_") + HashDe(Datos(5000, 8)) + QStringLiteral(".2024.zip")), contenidoMalo);
        suelto = EscriboArchivo(d.filePath(QStringLiteral("suelto.txt")), "hola");
        sinPunto = EscriboArchivo(d.filePath(QStringLiteral("LEAME")), "x");
        // A link to a stamped file elsewhere: never followed, never renamed.
        const QByteArray f = Datos(100, 3);
        const QString destino =
            EscriboArchivo(fuera.filePath(QStringLiteral("fuera_") + HashDe(f) + QStringLiteral(".zip")), f);
        enlace = d.filePath(QStringLiteral("enlace_") + HashDe(f) + QStringLiteral(".zip"));
        QFile::link(destino, enlace);
        fifo = d.filePath(QStringLiteral("tubo_") + HashDe(f) + QStringLiteral(".zip"));
        mkfifo(QFile::encodeName(fifo).constData(), 0600);
        juego = EscriboJuego(raiz, QStringLiteral("informe.zip"), Corto(Datos(9000, 4), 3), {1, 3});
        EscriboArchivo(juego[1], Datos(3000, 9)); // 003 damaged
        QDir(raiz).mkdir(QStringLiteral("sub"));
        const QByteArray s = Datos(700, 5);
        sub = EscriboArchivo(d.filePath(QStringLiteral("sub/otro_") + HashDe(s) + QStringLiteral(".zip")), s);
        // A temporary of a run of ours: not part of the delivery.
        EscriboArchivo(d.filePath(QStringLiteral(".terv-999999-abcdef.tmp")), "z");
    }
    QTemporaryDir fuera;
};

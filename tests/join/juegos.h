#pragma once
// Partition sets written straight to a folder, each piece named with the hash
// of its own content, as the split names them.
#include "hash/motor_hash.h"
#include "partition/particionado.h"
#include "soporte/datos.h"
#include "system/archivos.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QString>
#include <QStringList>

// Upper case, as names carry it; by Qt's own MD5, not the program's.
inline QString HashDe(const QByteArray& b)
{
    return QString::fromLatin1(QCryptographicHash::hash(b, QCryptographicHash::Md5).toHex().toUpper());
}

// The pieces of datos cut in n as a split cuts them (the last one takes
// the rest, never more than the others).
inline QList<QByteArray> Corto(const QByteArray& datos, int n)
{
    QList<QByteArray> piezas;
    const qsizetype S = (datos.size() + n - 1) / n;
    for (int i = 0; i < n; ++i)
        piezas << datos.mid(i * S, S);
    return piezas;
}

// Writes the pieces numbered in `numeros` (1-based; all when empty) of a set of
// piezas.size() partitions of `nombre` (e.g. "informe.zip"); their full paths.
inline QStringList EscriboJuego(const QString& carpeta, const QString& nombre, const QList<QByteArray>& piezas,
                                const QList<int>& numeros = {})
{
    const auto partes = SeparoNombre(nombre);
    QStringList rutas;
    const int N = int(piezas.size());
    for (int i = 1; i <= N; ++i) {
        if (!numeros.isEmpty() && !numeros.contains(i))
            continue;
        const QByteArray& p = piezas[i - 1];
        rutas << EscriboArchivo(UnoRuta(carpeta, NombreFinalParticion(*partes, HashDe(p), i, N)), p);
    }
    return rutas;
}

#pragma once
// Scripted operator: answers come from a queue, every box is recorded.
#include "system/pantallas/dialogos.h"

#include <QList>
#include <deque>

struct CajaVista {
    QString titulo; // as shown (empty title becomes "TERV")
    QString texto;
    Icono icono;
    Botones botones;
    Respuesta porDefecto;
};

class DialogosGuion : public Dialogos {
public:
    std::deque<Respuesta> respuestas;            // for boxes with a choice
    std::deque<QString> archivos;                // single file dialog answers ("" cancels)
    std::deque<QStringList> listas;              // multiple selection answers
    std::deque<std::optional<QString>> carpetas; // folder browser answers
    QList<CajaVista> vistas;
    QStringList leyendas; // caption lines the folder browser showed

    QStringList titulos() const; // of every box shown, in order

    Respuesta mensaje(QWidget*, const Mensaje& m) override;
    QString abroArchivo(QWidget*, const QString&, const QString&, const QString&) override;
    QStringList abroArchivos(QWidget*, const QString&, const QString&, const QString&) override;
    std::optional<QString> eligoCarpeta(QWidget*, const QString& leyenda) override;
};

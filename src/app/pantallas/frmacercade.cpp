#include "app/pantallas/frmacercade.h"

#include "system/pantallas/pantalla.h"

#include <QLabel>
#include <QPushButton>
#include <QShortcut>

QString FrmAcercaDe::TextoAcercaDe()
{
    const QString salto = QStringLiteral("\r\n");
    return QStringLiteral("Sistema de Intercambio de Información") + salto + salto
        + QStringLiteral("Utilitario para Gestión de Archivos") + salto + salto + QStringLiteral("Versión ")
        + QString::number(TERV_VERSION_MAYOR) + QLatin1Char('.') + QString::number(TERV_VERSION_MENOR)
        + QStringLiteral(" Release ") + QString::number(TERV_RELEASE);
}

FrmAcercaDe::FrmAcercaDe(QWidget* menu) : QWidget(nullptr)
{
    setObjectName(QStringLiteral("frmAcercaDe"));
    setAttribute(Qt::WA_DeleteOnClose); // closing unloads it
    setWindowTitle(QStringLiteral("Acerca de..."));
    setFixedSize(Tw(5200), Tw(2900));
    lblAcercade = Etiqueta(this, "lblAcercade", TextoAcercaDe(), 360, 240, 4500, 1800);
    lblAcercade->setAlignment(Qt::AlignCenter);
    QPushButton* aceptar = Boton(this, "cmdAceptar", QStringLiteral("&Aceptar"), 1850, 2250, 1500, 420);
    aceptar->setDefault(true);
    connect(aceptar, &QPushButton::clicked, this, [this, menu] {
        close();
        menu->show();
        menu->raise();
    });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, aceptar, &QPushButton::click);
    centroFormulario(this);
}

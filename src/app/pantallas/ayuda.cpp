#include "app/pantallas/ayuda.h"

#include "system/pantallas/dialogos.h"
#include "system/pantallas/pantalla.h"

#include <QHash>
#include <QScrollBar>
#include <QShortcut>

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

VisorAyuda::VisorAyuda(Dialogos& dialogos) : dialogos_(dialogos)
{
    setObjectName(QStringLiteral("VisorAyuda"));
    setWindowTitle(QStringLiteral("Ayuda de TERV"));
    resize(760, 560);
    texto = new QTextBrowser(this);
    texto->setObjectName(QStringLiteral("texto"));
    texto->setOpenExternalLinks(false);
    auto* capa = new QVBoxLayout(this);
    capa->setContentsMargins(0, 0, 0, 0);
    capa->addWidget(texto);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::hide);
}

QString SeccionAyuda(const QString& ventana)
{
    static const QHash<QString, QString> secciones{
        {QStringLiteral("frmCompriArchMulti"), QStringLiteral("comprimir")},
        {QStringLiteral("frmAgregoHash"), QStringLiteral("hash")},
        {QStringLiteral("Cortar"), QStringLiteral("particiones")},
        {QStringLiteral("frmPartArcMult"), QStringLiteral("particiones")},
        {QStringLiteral("Unir"), QStringLiteral("unir")},
        {QStringLiteral("frmCorroboroHash"), QStringLiteral("comprobar")},
        {QStringLiteral("frmComprobacionCarpeta"), QStringLiteral("carpeta")},
        {QStringLiteral("frmAcercaDe"), QStringLiteral("inicio")},
    };
    return secciones.value(ventana);
}

void VisorAyuda::abro(const QString& archivo, const QString& seccionPedida, QWidget* sobre)
{
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly)) {
        dialogos_.mensaje(
            sobre ? sobre : this,
            {QString(), QStringLiteral("No se encuentra el archivo de ayuda ") + archivo, Icono::Exclamacion});
        return;
    }
    texto->setHtml(QString::fromUtf8(f.readAll()));
    seccion = seccionPedida;
    if (seccion.isEmpty())
        texto->verticalScrollBar()->setValue(0);
    else
        texto->scrollToAnchor(seccion);
    if (!isVisible()) {
        EncajoEnPantalla(this);
        CentroSobre(this, sobre);
    }
    show();
    raise();
    activateWindow();
}

#include "app/pantallas/ayuda.h"

#include "system/pantallas/dialogos.h"

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
}

void VisorAyuda::abro(const QString& archivo, const QString& ancla)
{
    QFile f(archivo);
    if (!f.open(QIODevice::ReadOnly)) {
        dialogos_.mensaje(this, {QString(), QStringLiteral("No se encuentra el archivo de ayuda ") + archivo, Icono::Exclamacion});
        return;
    }
    texto->setHtml(QString::fromUtf8(f.readAll()));
    if (!ancla.isEmpty())
        texto->scrollToAnchor(ancla);
    show();
    raise();
    activateWindow();
}

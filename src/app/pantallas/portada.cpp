#include "app/pantallas/portada.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <QThread>

#include <algorithm>

namespace {

void DibujoPortada(QImage& imagen, QFont letra)
{
    // The font list first: the interface thread waits for it, not for the picture.
    QFontMetrics(letra).height();
    QPainter g(&imagen);
    QLinearGradient fondo(0, 0, imagen.width(), imagen.height());
    fondo.setColorAt(0, QColor(0x1d, 0x4e, 0x89));
    fondo.setColorAt(1, QColor(0x6f, 0xa8, 0xdc));
    g.fillRect(imagen.rect(), fondo);
    g.setPen(Qt::white);
    // Sizes in proportion to the picture, which follows the screens' scale.
    letra.setPixelSize(std::max(8, imagen.height() * 22 / 100));
    letra.setBold(true);
    g.setFont(letra);
    g.drawText(imagen.rect().adjusted(0, 20, 0, -imagen.height() / 2), Qt::AlignCenter, QStringLiteral("TERV"));
    letra.setPixelSize(std::max(6, imagen.height() * 8 / 100));
    letra.setBold(false);
    g.setFont(letra);
    g.drawText(imagen.rect().adjusted(0, imagen.height() / 3, 0, 0), Qt::AlignCenter,
               QStringLiteral("Intercambio de Información\nPreparación y control de archivos"));
}

} // namespace

// The picture and the font are made here, so that the drawing thread reads
// no screen nor application setting that this thread may be changing.
Portada::Portada(QSize tamano) : imagen_(tamano, QImage::Format_RGB32)
{
    hilo_.reset(QThread::create(DibujoPortada, std::ref(imagen_), QApplication::font()));
    hilo_->start();
}

Portada::~Portada() { hilo_->wait(); }

QPixmap Portada::imagen()
{
    hilo_->wait();
    return QPixmap::fromImage(imagen_);
}

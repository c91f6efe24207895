#pragma once
// Driving a screen's widgets as an operator would.
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

// A control of a screen by its name; a missing one fails the test.
template <class T>
T* Control(QWidget& pantalla, const char* nombre)
{
    T* w = pantalla.findChild<T*>(QString::fromLatin1(nombre));
    EXPECT_NE(w, nullptr) << nombre;
    return w;
}

// Presses a screen's "Cancelar" the moment it appears, before the run it
// belongs to has started: the run is cancelled however quickly it would end.
class CanceloAlAparecer : public QObject {
public:
    explicit CanceloAlAparecer(QWidget* pantalla);
    bool cancelado = false;

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    QWidget* pantalla_;
};

// Two clicks queued before the first is handled, as a quick double click; the
// events are then processed.
void DosClicsSeguidos(QWidget* boton);

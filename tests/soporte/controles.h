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

// Two clicks queued before the first is handled, as a quick double click; the
// events are then processed.
void DosClicsSeguidos(QWidget* boton);

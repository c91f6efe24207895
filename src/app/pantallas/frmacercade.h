#pragma once
#include <QWidget>

class QLabel;

class FrmAcercaDe : public QWidget {
    Q_OBJECT
public:
    explicit FrmAcercaDe(QWidget* menu);
    static QString TextoAcercaDe();
    QLabel* lblAcercade = nullptr;
};

#include "Pop.h"

#include <QLabel>

TFrm_Pop::TFrm_Pop(QWidget *Parent) : QWidget(Parent, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName("Frm_Pop");
    setWindowTitle("提醒");
    setFont(QFont("Tahoma", 8));
    resize(255, 159);
    FLabel1 = new QLabel(this);
    FLabel1->setObjectName("Label1");
    FLabel1->setGeometry(8, 8, 233, 17);
}

void TFrm_Pop::Pop() { show(); }

#include "Web.h"

TFrm_WB::TFrm_WB(QWidget *Parent) : QWidget(Parent, Qt::Window) {
    setObjectName("Frm_WB");
    setWindowTitle("青石江湖   按Ctrl+Alt+Q快速隐藏/显示该窗口");
    setFont(QFont("Tahoma", 8));
    resize(535, 468);
}

#include "Tfrm_dep.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Tfrm_dep frm_dep;
    frm_dep.show();
    return application.exec();
}

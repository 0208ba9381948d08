#pragma once
// Finding a window's parts by the object names the window gives them, as a test or a picture
// tool needs them. A missing part ends the program with its name: a renamed widget would
// otherwise show up as a crash far from its cause.
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace mbtest {

template <class T>
T* child(const QObject* root, const QString& name) {
    T* found = root->findChild<T*>(name);
    if (!found)
        qFatal("no %s named \"%s\" under %s", T::staticMetaObject.className(), qPrintable(name),
               root->metaObject()->className());
    return found;
}

}  // namespace mbtest

#include "framework/HandlerBinding.h"

#include "framework/Exception.h"

#include <QMetaMethod>
#include <QObject>
#include <QVariant>

namespace fw {

namespace {

void BindOne(QObject* form, QObject* control)
{
    for (const QByteArray& name : control->dynamicPropertyNames()) {
        if (!name.startsWith("On") || name.size() < 3)
            continue;
        const QByteArray handler = control->property(name.constData()).toString().toUtf8();
        if (handler.isEmpty())
            continue;
        const QMetaObject* cm = control->metaObject();
        const int signal = cm->indexOfSignal(QMetaObject::normalizedSignature(name + "()"));
        const QMetaObject* fm = form->metaObject();
        const int slot = fm->indexOfSlot(QMetaObject::normalizedSignature(handler + "()"));
        if (signal < 0 || slot < 0) {
            const QString what = signal < 0 ? QStringLiteral("has no event") : QStringLiteral("has no handler");
            throw Exception(QStringLiteral("%1.%2 = %3: %4 %5")
                                .arg(control->objectName(), QString::fromUtf8(name), QString::fromUtf8(handler),
                                     signal < 0 ? control->objectName() : form->objectName(), what)
                                .toStdString());
        }
        QObject::connect(control, cm->method(signal), form, fm->method(slot));
    }
}

} // namespace

void BindHandlers(QObject* form)
{
    BindOne(form, form);
    for (QObject* child : form->findChildren<QObject*>())
        BindOne(form, child);
}

void NotifyLoaded(QObject* form)
{
    for (QObject* child : form->findChildren<QObject*>()) {
        if (child->metaObject()->indexOfMethod("Loaded()") >= 0)
            QMetaObject::invokeMethod(child, "Loaded", Qt::DirectConnection);
    }
}

} // namespace fw

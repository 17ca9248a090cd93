#pragma once
// Layouts bind handlers by name: a control carries a property such as
// OnClick = "SSButton1Click", naming a slot of the window that holds it.
class QObject;

namespace fw {

// For the form and every object inside it: each dynamic property whose name starts
// with "On" names a signal of that object (OnClick → signal OnClick()) and a slot of
// `form` to connect it to. Throws fw::Exception naming the control, the event and
// the handler when either side is missing.
void BindHandlers(QObject* form);

// Tells every object inside `form` that has an invokable Loaded() method that the
// layout has been read (controls that defer checks until then).
void NotifyLoaded(QObject* form);

} // namespace fw

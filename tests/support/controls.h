#pragma once
// A form's controls are private: tests find them as a user finds them on
// screen, by their names.
#include <QObject>
#include <QString>

#include <gtest/gtest.h>

/// The control of form named name; a missing one fails the test.
template <typename T> T* control(const QObject* form, const char* name)
{
    T* child = form ? form->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_NE(child, nullptr) << "no control " << name;
    return child;
}

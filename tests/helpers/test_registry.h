// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every test class of a folder registers itself; the folder's one program runs them all.

#include <QObject>

#include <functional>
#include <vector>

struct TestRegistration
{
    const char* name;
    std::function<QObject*()> make;
};

std::vector<TestRegistration>& testRegistry();

struct TestRegistrar
{
    TestRegistrar(const char* name, std::function<QObject*()> make)
    {
        testRegistry().push_back({name, std::move(make)});
    }
};

#define MUNCHORA_TEST(Class)                                                                                           \
    static const TestRegistrar registrar_##Class(#Class, []() -> QObject* { return new Class; });

#pragma once
// Several QtTest classes in one test program: each test file registers its
// class with KESTU_TEST_CLASS, and TestMain.cpp runs every registered class.

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class TTestClasses
{
public:
    using TFactory = std::function<std::unique_ptr<QObject>()>;
    static std::vector<TFactory> &All()
    {
        static std::vector<TFactory> classes;
        return classes;
    }
    static bool Add(TFactory factory)
    {
        All().push_back(std::move(factory));
        return true;
    }
};

#define KESTU_TEST_CLASS(Class) \
    static const bool Class##Registered = TTestClasses::Add([] { return std::unique_ptr<QObject>(new Class); });

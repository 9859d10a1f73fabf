// Small classes built with the class pattern for the object-core tests:
//   Probe (201)                 counts its live instances, has a field list
//                               with an enumeration and a pointer field
//   Animal (202, abstract) <- Dog (203) <- Puppy (204), and Cat (205) <- Animal
// Codes above every code of the system, so they never collide with it.
#pragma once

#include <functional>
#include <string>

#include "ClassPattern.h"
#include "EnumPattern.h"
#include "bStr.h"

class Probe : public BaseVirtItem {
    MXR_CLASS(Probe, BaseVirtItem);

public:
    enum Colour : int { RED = 1, BLUE = 2 };
    MXR_ENUM(Colour, GetColourCvtPtr);

    MXR_FIELDS(MXR_FIELD("label", label), MXR_ENUM_FIELD("colour", colour, GetColourCvtPtr),
               MXR_FIELD("next", next));

    Probe();
    explicit Probe(int label);
    ~Probe() override;

    static int Live();
    // Runs inside the destructor of the next Probe destroyed (then cleared).
    static std::function<void(Probe*)>& OnDestroy();
    // When set, every destroyed Probe appends its label (as a character).
    static std::string* destroyLog;

    int label;
    Colour colour;
    BasePtr next;
};
MXR_COMPANIONS(Probe);
MXR_COMPANION_ARY(Probe);

class Animal : public BaseVirtItem {
    MXR_ABSTRACT_CLASS(Animal, BaseVirtItem);
    MXR_FIELDS(MXR_FIELD("legs", legs));

public:
    virtual const char* Sound() const = 0;
    int legs = 4;
};
MXR_COMPANIONS(Animal);

class Dog : public Animal {
    MXR_CLASS(Dog, Animal);
    MXR_FIELDS(MXR_FIELD("name", name), MXR_FIELD("weight", weight));

public:
    const char* Sound() const override { return "woof"; }
    bStr name = "rex";
    double weight = 20.5;
};
MXR_COMPANIONS(Dog);

class Puppy : public Dog {
    MXR_CLASS(Puppy, Dog);
    MXR_FIELDS(MXR_FIELD("ageWeeks", ageWeeks));

public:
    int ageWeeks = 8;
};
MXR_COMPANIONS(Puppy);

class Cat : public Animal {
    MXR_CLASS(Cat, Animal);
    MXR_FIELDS();

public:
    const char* Sound() const override { return "meow"; }
};
MXR_COMPANIONS(Cat);

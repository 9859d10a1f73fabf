// Object root, BasePtr ownership and the typed pointer companions.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "CoreTestClasses.h"
#include "RegisterClass.h"

TEST(BasePtr, NewObjectIsUnownedUntilTheFirstPointerAndDiesWithTheLast) {
    const int before = Probe::Live();
    Probe* raw = new Probe(1);
    EXPECT_EQ(raw->GetRefCnt(), 0);
    {
        BasePtr a(raw);
        EXPECT_EQ(raw->GetRefCnt(), 1);
        {
            BasePtr b(a);
            ProbePtr c(b);
            EXPECT_EQ(raw->GetRefCnt(), 3);
        }
        EXPECT_EQ(raw->GetRefCnt(), 1);
        EXPECT_EQ(Probe::Live(), before + 1);
    }
    EXPECT_EQ(Probe::Live(), before);
}

TEST(BasePtr, AssignmentCountsTheNewTargetBeforeDroppingTheOld) {
    const int before = Probe::Live();
    BasePtr p(new Probe(1));
    Probe* first = static_cast<Probe*>(p.GetPtr());

    p = p;  // self-assignment
    EXPECT_EQ(first->GetRefCnt(), 1);

    BasePtr alias(p);
    p = alias;  // same target through another pointer
    EXPECT_EQ(first->GetRefCnt(), 2);
    alias = BasePtr();
    EXPECT_EQ(first->GetRefCnt(), 1);

    // The new target is held only through the old one: p = p->next.
    first->next = new Probe(2);
    p = first->next;
    EXPECT_EQ(Probe::Live(), before + 1);
    EXPECT_EQ(static_cast<Probe*>(p.GetPtr())->label, 2);
    EXPECT_EQ(p->GetRefCnt(), 1);
    p = BasePtr();
    EXPECT_EQ(Probe::Live(), before);
}

TEST(BasePtr, TheLastHolderReleasesTheObjectWithItsCountAtZero) {
    // The last of several holders and a sole holder alike.
    for (int holders : {1, 3}) {
        int seen = -1;
        {
            std::vector<ProbePtr> held(static_cast<size_t>(holders), ProbePtr(new Probe(holders)));
            Probe::OnDestroy() = [&](Probe* p) { seen = p->GetRefCnt(); };
        }
        Probe::OnDestroy() = nullptr;
        EXPECT_EQ(seen, 0) << holders << " holders";
    }
}

TEST(BasePtr, DestroyedObjectSeesItsHolderAlreadyCleared) {
    BasePtr holder(new Probe(7));
    BaseVirtItem* seen = reinterpret_cast<BaseVirtItem*>(1);
    Probe::OnDestroy() = [&](Probe*) { seen = holder.GetPtr(); };
    holder = BasePtr();
    EXPECT_EQ(seen, nullptr);

    BasePtr scoped(new Probe(8));
    {
        BasePtr inner(scoped);
        scoped = BasePtr();
        Probe::OnDestroy() = [&](Probe*) { seen = inner.GetPtr(); };
    }
    EXPECT_EQ(seen, nullptr);
}

// Breaking a self-cycle by assigning into the object's own field: dropping
// the old target destroys the object that contains the holder being assigned.
TEST(BasePtr, AssigningIntoAHolderThatDiesWithTheOldTargetIsSafe) {
    const int before = Probe::Live();
    Probe* self = new Probe(3);
    self->next = self;
    EXPECT_EQ(self->GetRefCnt(), 1);
    self->next = BasePtr();  // frees self, and with it the holder itself
    EXPECT_EQ(Probe::Live(), before);

    Probe* other = new Probe(4);
    other->next = other;
    other->next = new Probe(5);  // the new target is released with the dying holder
    EXPECT_EQ(Probe::Live(), before);
}

TEST(BasePtr, CopyOfAnObjectStartsUnowned) {
    ProbePtr original(new Probe(9));
    BasePtr extra(original);
    Probe copy(*original.GetPtr());
    EXPECT_EQ(copy.GetRefCnt(), 0);
    Probe assigned;
    assigned = *original.GetPtr();
    EXPECT_EQ(assigned.GetRefCnt(), 0);
    EXPECT_EQ(original->GetRefCnt(), 2);
    EXPECT_EQ(assigned.label, 9);
}

TEST(BasePtr, RawAccessNeitherCountsNorReleases) {
    Probe* raw = new Probe(1);
    BasePtr p(raw);
    BasePtr q;
    q.SetRefPtr(p.GetRefPtr());
    EXPECT_EQ(raw->GetRefCnt(), 1);
    q.SetRefPtr(nullptr);  // would otherwise release a count it never took
    raw->SetRefCnt(5);
    EXPECT_EQ(raw->GetRefCnt(), 5);
    raw->SetRefCnt(1);
}

TEST(BasePtr, AMoveTakesTheReferenceOverAndLeavesTheSourceNull) {
    const int before = Probe::Live();
    Probe* raw = new Probe(1);
    ProbePtr source(raw);
    ProbePtr moved(std::move(source));
    EXPECT_EQ(source.GetPtr(), nullptr);
    EXPECT_EQ(raw->GetRefCnt(), 1);

    BasePtr base(std::move(moved));  // a typed holder handed to a plain one
    EXPECT_EQ(moved.GetPtr(), nullptr);
    ProbePtr back(std::move(base));  // and back to a typed one
    EXPECT_EQ(base.GetPtr(), nullptr);
    EXPECT_EQ(raw->GetRefCnt(), 1);

    // Move-assigning over a holder drops its old target; onto itself keeps it.
    ProbePtr other(new Probe(2));
    other = std::move(back);
    EXPECT_EQ(Probe::Live(), before + 1);
    EXPECT_EQ(other.GetPtr(), raw);
    other = std::move(other);
    EXPECT_EQ(other.GetPtr(), raw);
    EXPECT_EQ(raw->GetRefCnt(), 1);
    other = BasePtr();
    EXPECT_EQ(Probe::Live(), before);
}

TEST(BasePtr, AdoptingANewObjectCountsItOnceAndCountsAHeldOneAsUsual) {
    const int before = Probe::Live();
    Probe* fresh = new Probe(1);
    BasePtr adopted = BasePtr::AdoptNew(fresh);
    EXPECT_EQ(fresh->GetRefCnt(), 1);
    {
        BasePtr copy(adopted);
        EXPECT_EQ(fresh->GetRefCnt(), 2);
    }
    EXPECT_EQ(fresh->GetRefCnt(), 1);

    // An object that is already held is counted, not reset to one.
    BasePtr again = BasePtr::AdoptNew(fresh);
    EXPECT_EQ(fresh->GetRefCnt(), 2);
    again = BasePtr();
    adopted = BasePtr();
    EXPECT_EQ(Probe::Live(), before);

    EXPECT_EQ(BasePtr::AdoptNew(nullptr).GetPtr(), nullptr);
}

TEST(TypedPtr, OkIsTheOnlyTypeTestAndNullIsNotOk) {
    BasePtr cat(new Cat());
    DogPtr asDog(cat);  // no check on conversion
    EXPECT_EQ(asDog.GetRefPtr(), cat.GetPtr());
    EXPECT_EQ(asDog.Ok(), 0);
    EXPECT_EQ(AnimalPtr(cat).Ok(), 1);
    EXPECT_EQ(cat.Ok(), 1);
    EXPECT_EQ(cat->GetRefCnt(), 2);  // cat and asDog

    EXPECT_EQ(DogPtr().Ok(), 0);
    EXPECT_EQ(BasePtr().Ok(), 0);
    EXPECT_EQ(DogPtr().GetPtr(), nullptr);
    EXPECT_EQ(DogPtr().operator->(), nullptr);

    PuppyPtr puppy(new Puppy());
    DogPtr dog;
    dog = puppy;
    EXPECT_EQ(dog.Ok(), 1);
    EXPECT_STREQ(dog->Sound(), "woof");
    EXPECT_EQ(dog->GetRefCnt(), 2);
    BaseVirtItemPtr root(dog);
    EXPECT_EQ(root.Ok(), 1);
    EXPECT_EQ(root->GetTypeId(), 204);

    dog = new Dog();  // raw pointers and null assign directly
    EXPECT_EQ(puppy->GetRefCnt(), 2);
    dog = nullptr;
    EXPECT_EQ(dog.GetRefPtr(), nullptr);
}

TEST(TypedPtr, IsOfTypeWalksTheBaseChainOnly) {
    struct Case {
        BasePtr obj;
        int id;
        int expect;
    };
    BasePtr puppy(new Puppy()), dog(new Dog()), cat(new Cat()), root(new BaseVirtItem());
    const Case cases[] = {
        {puppy, Puppy::ClassCode, 1}, {puppy, Dog::ClassCode, 1},  {puppy, Animal::ClassCode, 1},
        {puppy, BaseVirtItem::ClassCode, 1}, {puppy, Cat::ClassCode, 0}, {puppy, Probe::ClassCode, 0},
        {dog, Puppy::ClassCode, 0},   {dog, Dog::ClassCode, 1},    {dog, Animal::ClassCode, 1},
        {dog, 16, 1},                 {cat, Dog::ClassCode, 0},    {cat, Animal::ClassCode, 1},
        {root, 16, 1},                {root, Animal::ClassCode, 0}, {puppy, 0, 0},
        {puppy, -1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.obj->IsOfType(c.id), c.expect) << c.obj->GetClassName() << " IsOfType " << c.id;

    EXPECT_EQ(PuppyPtr(puppy)->GetTypeId(), 204);
    EXPECT_STREQ(puppy->GetClassName(), "Puppy");
    EXPECT_STREQ(root->GetClassName(), "BaseVirtItem");
    EXPECT_EQ(root->GetTypeId(), 16);
    EXPECT_EQ(Animal::ClassCode, 202);
}

TEST(TypedPtr, FactoriesMakeUncountedObjectsOfTheirClass) {
    BaseVirtItem* made = Dog::GetNewDogClass();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetRefCnt(), 0);
    DogPtr held(static_cast<Dog*>(made));
    EXPECT_EQ(held.Ok(), 1);

    BasePtr root(BaseVirtItem::GetNewBaseVirtItemClass());
    EXPECT_EQ(root->GetTypeId(), 16);
}

// A declaration of a class is enough to hold its companions as fields.
MXR_FORWARD(DeclaredOnly);
struct HolderOfDeclaredOnly {
    DeclaredOnlyPtr ptr;
    DeclaredOnlyLst lst;
};
static_assert(sizeof(TypedPtr<DeclaredOnly>) == sizeof(BasePtr));
static_assert(sizeof(HolderOfDeclaredOnly) == sizeof(BasePtr) + sizeof(BasePtrLst));

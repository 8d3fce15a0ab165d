#ifndef DATA_BASE_H
#define DATA_BASE_H

// The root of the classes that are deleted through a base pointer.
class Base {
public:
    virtual ~Base();
};

#endif

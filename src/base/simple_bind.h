// Bound member calls that one thread hands to another to run.
#pragma once

class ISimpleBind {
public:
    virtual void Invoke() = 0;

protected:
    ~ISimpleBind() = default;
};

// obj->*fn() with no argument.
template <class C, class P, class R>
class mf_bind_t : public ISimpleBind {
public:
    typedef R (C::*Method)();

    mf_bind_t(Method method, P object) : m_method(method), m_object(object) {}
    void Invoke() override { ((*m_object).*m_method)(); }

private:
    Method m_method;
    P m_object;
};

// obj->*fn(argument) with one stored argument.
template <class C, class P, class R, class A>
class mf_bind_t_1 : public ISimpleBind {
public:
    typedef R (C::*Method)(A);

    mf_bind_t_1(Method method, P object, A argument) : m_method(method), m_object(object), m_argument(argument) {}
    void Invoke() override { ((*m_object).*m_method)(m_argument); }

private:
    Method m_method;
    P m_object;
    A m_argument;
};

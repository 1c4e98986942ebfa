// Owner of the test programs' precompiled header; nothing of its own.
int main()
{
    return 0;
}

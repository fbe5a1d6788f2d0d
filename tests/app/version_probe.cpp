// An executable that only carries a product version, for the start-up tests.
int main()
{
    return 0;
}

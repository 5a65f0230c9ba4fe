/* Built for i386 and run by the bridge tests: exit 0 tells that this host executes i386 code. */
int main(void) {
    return 0;
}

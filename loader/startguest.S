/* EnterGuest(const uint32_t* image, uint32_t words, uint32_t entry)

   Pushes the start stack image onto the loader's own stack, highest word
   first, and jumps to the guest's entry point. The guest's _start finds
   argc at ESP and aligns the stack itself; nothing returns here. */

#define CONCAT2(a, b) a##b
#define CONCAT1(a, b) CONCAT2(a, b)
#define SYMBOL(name) CONCAT1(__USER_LABEL_PREFIX__, name)

        .text
        .globl SYMBOL(EnterGuest)
SYMBOL(EnterGuest):
        movl    4(%esp), %esi           /* image, lowest word first */
        movl    8(%esp), %ecx           /* words, at least 5 */
        movl    12(%esp), %eax          /* entry */
        leal    -4(%esi,%ecx,4), %esi   /* the highest word */
1:      pushl   (%esi)
        subl    $4, %esi
        decl    %ecx
        jnz     1b
        xorl    %ebp, %ebp              /* the outermost frame */
        jmp     *%eax

#if defined(__ELF__)
        .section .note.GNU-stack,"",@progbits
#endif

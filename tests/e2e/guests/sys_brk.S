# The program break: brk(0) is nonzero, asking for 8 MiB more is granted,
# and memory from the old break up to the asked address is usable.
        .globl _start
        .text
_start: movl $45, %eax
        xorl %ebx, %ebx
        int $0x80
        testl %eax, %eax
        jz fail
        movl %eax, %esi
        leal 0x800000(%esi), %ebx
        movl $45, %eax
        int $0x80
        cmpl %ebx, %eax
        jb fail
        movl $0x12345678, -4(%ebx)
        cmpl $0x12345678, -4(%ebx)
        jne fail
        movl $0x9abcdef0, (%esi)
        cmpl $0x9abcdef0, (%esi)
        jne fail
        movl $ok, %ecx
        movl $ok_len, %edx
        xorl %edi, %edi
        jmp out
fail:   movl $bad, %ecx
        movl $bad_len, %edx
        movl $1, %edi
out:    movl $4, %eax
        movl $1, %ebx
        int $0x80
        movl $1, %eax
        movl %edi, %ebx
        int $0x80

        .data
ok:     .ascii "brk ok\n"
        ok_len = . - ok
bad:    .ascii "brk failed\n"
        bad_len = . - bad

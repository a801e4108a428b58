# A number beyond the table (300) runs nothing: the guest resumes after the
# instruction with Eax still 300.
        .globl _start
        .text
_start: movl $300, %eax
        int $0x80
        movl $kept, %ecx
        movl $kept_len, %edx
        cmpl $300, %eax
        je out
        movl $changed, %ecx
        movl $changed_len, %edx
out:    movl $4, %eax
        movl $1, %ebx
        int $0x80
        movl $1, %eax
        xorl %ebx, %ebx
        int $0x80

        .data
kept:   .ascii "eax kept\n"
        kept_len = . - kept
changed: .ascii "eax changed\n"
        changed_len = . - changed
